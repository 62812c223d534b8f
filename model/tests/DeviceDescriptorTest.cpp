#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/DeviceDescriptionDecoder.h"
#include "model/descriptions/DeviceDescriptionError.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace ambrel;
using Descriptors = QList<std::shared_ptr<const DeviceDescriptor>>;

namespace {

const platform::Bundle* pluginBundle() {
    return platform::Bundle::named(QStringLiteral("TestPluginBundle"));
}

// A complete base entry with the given extra keys.
QByteArray base(const char* name, const char* extra = nullptr) {
    QByteArray e = QByteArray(R"({"modelName": ")") + name + R"(", "printerType": "t", "dpi": 300,
        "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
        "offsetBases": ["topLeft"])";
    if (extra) {
        e += QByteArray(", ") + extra;
    }
    return e + "}";
}

QByteArray override(const char* name, const char* baseName, const char* extra = nullptr) {
    QByteArray e =
        QByteArray(R"({"modelName": ")") + name + R"(", "baseModelName": ")" + baseName + "\"";
    if (extra) {
        e += QByteArray(", ") + extra;
    }
    return e + "}";
}

Descriptors decode(const QList<QByteArray>& entries) {
    QByteArray json = "[";
    for (qsizetype i = 0; i < entries.size(); ++i) {
        json += (i ? "," : "") + entries[i];
    }
    return DeviceDescriptor::deviceDescriptors(json + "]", pluginBundle());
}

QStringList names(const Descriptors& descriptors) {
    QStringList list;
    for (const auto& d : descriptors) {
        list.append(d->modelName());
    }
    return list;
}

QStringList parameterIds(const DeviceDescriptor& d) {
    QStringList list;
    for (const auto& p : d.parameterProperties()) {
        list.append(p->identifier());
    }
    return list;
}

template <typename E> E errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    ADD_FAILURE() << "no error of the expected type";
    throw std::logic_error("no error");
}

TEST(DeviceDescriptions, emptyListAndMinimalBase) {
    EXPECT_TRUE(DeviceDescriptor::deviceDescriptors("[]", pluginBundle()).isEmpty());
    const auto d = decode({base("M1")}).value(0);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->localizedName(), QStringLiteral("M1"));
    EXPECT_EQ(d->printerType(), QStringLiteral("t"));
    EXPECT_EQ(d->transportTypes(), QList<TransportType>{TransportType::usb});
    EXPECT_EQ(d->printVerb(), PrintVerb::print);
    EXPECT_EQ(d->headDotCount(), 1);
    EXPECT_EQ(d->dpi(), Dpi(300));
    EXPECT_FALSE(d->hidesDpi());
    EXPECT_TRUE(d->showsMaintenanceButton());
    EXPECT_EQ(d->colorAbility(), ColorAbility::blackWhite);
    EXPECT_TRUE(d->maintenanceActions().isEmpty());
    EXPECT_TRUE(d->parameterProperties().isEmpty());
    EXPECT_FALSE(d->copyrightAlertInfo());
    EXPECT_EQ(d->allowedOffsetBases(), QList<OffsetBase>{OffsetBase::topLeft});
    // Plug-in table first, then the application's, then this library's.
    ASSERT_EQ(d->localizedStringTables().size(), 3);
    EXPECT_EQ(d->localizedStringTables()[0], LocalizedStringTable(pluginBundle()));
    EXPECT_EQ(d->localizedStringTables()[1], LocalizedStringTable::main());
    EXPECT_EQ(d->localizedStringTables()[2], LocalizedStringTable::ambrel());
    EXPECT_EQ(d->canvases().value(0)->name(), QStringLiteral("A4 from the plug-in"));
}

TEST(DeviceDescriptions, overridesResolveInAnyOrder) {
    // M4 builds on M3, which builds on M1; both stand before their bases.
    const auto list = decode({override("M4", "M3", R"("printerType": "t4")"),
                              override("M3", "M1", R"("displayName": "Model 3")"), base("M1")});
    EXPECT_EQ(names(list), (QStringList{"M4", "M3", "M1"}));
    EXPECT_EQ(list[0]->printerType(), QStringLiteral("t4"));
    EXPECT_EQ(list[0]->localizedName(), QStringLiteral("Model 3"));
    EXPECT_EQ(list[1]->printerType(), QStringLiteral("t"));
}

TEST(DeviceDescriptions, aLongChainOfOverridesInReverseOrderDecodesQuickly) {
    // Each override stands before the one it builds on: 6000 entries, base last.
    QList<QByteArray> entries;
    for (int i = 6000; i >= 1; --i) {
        const QByteArray name = "M" + QByteArray::number(i);
        const QByteArray baseName = "M" + QByteArray::number(i - 1);
        entries.append(override(name.constData(), baseName.constData()));
    }
    entries.append(base("M0", R"("displayName": "Root")"));
    QElapsedTimer timer;
    timer.start();
    const auto list = decode(entries);
    // Under two seconds here, several times that under the sanitizers; the
    // bounds leave more than ten times that. Matching each override against
    // every entry and keeping every ancestor took minutes at half the
    // length, and grows with its square: more than ten times the bounds.
#ifdef LUNVIK_SANITIZED_BUILD
    EXPECT_LT(timer.elapsed(), 120000);
#else
    EXPECT_LT(timer.elapsed(), 30000);
#endif
    ASSERT_EQ(list.size(), 6001);
    EXPECT_EQ(list.first()->modelName(), QStringLiteral("M6000"));
    EXPECT_EQ(list.first()->localizedName(), QStringLiteral("Root"));
    EXPECT_EQ(list.last()->modelName(), QStringLiteral("M0"));
    // Texts are looked up along the nearest ancestors only.
    const auto records = DeviceDescriptionDecoder::resolvedRecords("[" + entries.join(",") + "]");
    EXPECT_EQ(records.first().ancestorModelNames->size(),
              DeviceBaseSerializedInfo::maximumAncestorCount);
    EXPECT_EQ(records.first().ancestorModelNames->mid(0, 3),
              (QStringList{"M6000", "M5999", "M5998"}));
}

TEST(DeviceDescriptions, aNameKeepsItsFirstRecord) {
    // Two overrides of one name: the earlier resolvable one wins, as does a
    // base over an override of the same name.
    const auto list = decode({override("M2", "M1", R"("printerType": "first")"),
                              override("M2", "M1", R"("printerType": "second")"), base("M1"),
                              override("M1", "M2", R"("printerType": "shadowed")")});
    EXPECT_EQ(names(list), (QStringList{"M2", "M2", "M1", "M1"}));
    EXPECT_EQ(list[0]->printerType(), QStringLiteral("first"));
    EXPECT_EQ(list[1]->printerType(), QStringLiteral("first"));
    EXPECT_EQ(list[2]->printerType(), QStringLiteral("t"));
}

TEST(DeviceDescriptions, textOrderIsKept) {
    EXPECT_EQ(names(decode({base("M1"), override("M3", "M1"), base("M2")})),
              (QStringList{"M1", "M3", "M2"}));
}

TEST(DeviceDescriptions, disabledModelsStillServeAsBases) {
    EXPECT_EQ(names(decode({base("M1", R"("isDisabled": true)"), override("M3", "M1")})),
              QStringList{"M3"});
    EXPECT_EQ(names(decode({base("M1"), override("M3", "M1", R"("isDisabled": true)"),
                            override("M4", "M3")})),
              (QStringList{"M1", "M4"}));
}

TEST(DeviceDescriptions, overrideValuesReplaceOrMerge) {
    const auto list =
        decode({base("M1", R"("parameterProperties": [
                 {"type": "number", "identifier": "a"}, {"type": "number", "identifier": "b"},
                 {"type": "number", "identifier": "c"}],
             "maintenanceActions": [{"identifier": "clean"}, {"identifier": "flush"}],
             "hidesDpi": true, "headDotCount": 16, "printVerb": "lunvik",
             "transportTypes": ["usb", "wifi"])"),
                override("M2", "M1", R"("parameterProperties": [
                 {"type": "bool", "identifier": "b"}, {"type": "pick", "identifier": "d", "items": ["x"]}],
             "maintenanceActions": [{"identifier": "flush", "visibility": "hidden"}],
             "canvases": [{"identifier": "A3", "size_mm": {"width": 420, "height": 297}},
                          {"identifier": "A5", "size_mm": {"width": 210, "height": 148}}],
             "hidesDpi": false, "headDotCount": 1, "dpi": 600)"),
                override("M3", "M1", R"("parameterProperties": [], "maintenanceActions": [])"),
                override("M4", "M1",
                         R"("parameterProperties": [{"type": "Number", "identifier": "z"}])")});
    ASSERT_EQ(list.size(), 4);
    const auto& m2 = *list[1];
    EXPECT_EQ(parameterIds(m2), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(m2.parameterProperties()[1]->kind(), DeviceSettingParameter::Kind::boolean);
    ASSERT_EQ(m2.maintenanceActions().size(), 2);
    EXPECT_EQ(m2.maintenanceActions()[1].visibility, MaintenanceAction::Visibility::hidden);
    ASSERT_EQ(m2.canvases().size(), 2);
    EXPECT_EQ(m2.canvases()[0]->identifier(), QStringLiteral("A3"));
    // Values an override cannot change come from the base.
    EXPECT_TRUE(m2.hidesDpi());
    EXPECT_EQ(m2.headDotCount(), 16);
    EXPECT_EQ(m2.dpi(), Dpi(300));
    EXPECT_EQ(m2.printVerb(), PrintVerb::lunvik);
    EXPECT_EQ(m2.transportTypes(), (QList<TransportType>{TransportType::usb, TransportType::wifi}));
    // Empty lists and lists that do not decode keep the base's.
    EXPECT_EQ(parameterIds(*list[2]), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(list[2]->maintenanceActions().size(), 2);
    EXPECT_EQ(parameterIds(*list[3]), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(list[3]->canvases().value(0)->identifier(), QStringLiteral("A4"));
}

TEST(DeviceDescriptions, additionalInformationMergesPerKey) {
    struct Record {
        QString value = QStringLiteral("default");
        static QString key() { return QStringLiteral("r"); }
        static Record decode(const JsonReader& r) { return {r.string()}; }
    };
    struct Other {
        QString value = QStringLiteral("default");
        static QString key() { return QStringLiteral("o"); }
        static Other decode(const JsonReader& r) { return {r.string()}; }
    };
    const auto list =
        decode({base("M1", R"("additionalInfos": {"r": "base", "o": "base"})"),
                override("M2", "M1", R"("additionalInfos": {"r": "derived"})"), base("M3"),
                override("M4", "M3", R"("additionalInfos": {"o": "x"})")});
    EXPECT_EQ(list[1]->additionalInfos().value<Record>().value, QStringLiteral("derived"));
    EXPECT_EQ(list[1]->additionalInfos().value<Other>().value, QStringLiteral("base"));
    EXPECT_EQ(list[2]->additionalInfos().valueOrDefault<Record>().value, QStringLiteral("default"));
    EXPECT_EQ(list[3]->additionalInfos().value<Other>().value, QStringLiteral("x"));
}

TEST(DeviceDescriptions, leniencyWhereAllowed) {
    const auto d = decode({base("M1", R"("parameterProperties": [{"type": "number"}],
                                         "colorAbility": "FullColor",
                                         "offsetBases": ["Center", "center", "middle"])")})
                       .value(0);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->parameterProperties().isEmpty());
    EXPECT_EQ(d->colorAbility(), ColorAbility::blackWhite);
    EXPECT_EQ(d->allowedOffsetBases(), QList<OffsetBase>{OffsetBase::center});
    EXPECT_EQ(decode({base("M2", R"("colorAbility": "fullColor")")})[0]->colorAbility(),
              ColorAbility::fullColor);
}

TEST(DeviceDescriptions, unusableModelsAreNamed) {
    using Case = DeviceDescriptionError::Case;
    struct Row {
        QList<QByteArray> entries;
        Case c;
        const char* model;
    };
    const Row rows[] = {
        {{base("M1", R"("offsetBases": ["nowhere"])")}, Case::noOffsetBase, "M1"},
        {{base("M1"), override("M2", "M1", R"("canvases": [])")}, Case::noCanvas, "M2"},
        {{base("M1", R"("transportTypes": ["usb", "USB"])")}, Case::unknownTransportType, "M1"},
        // An override whose base never appears, even through other overrides.
        {{base("M1"), override("M3", "M2"), override("M2", "M9")}, Case::baseModelNotFound, "M3"},
    };
    for (const Row& row : rows) {
        const auto e = errorOf<DeviceDescriptionError>([&] { decode(row.entries); });
        EXPECT_EQ(e.errorCase(), row.c);
        EXPECT_EQ(e.modelName(), QString::fromLatin1(row.model));
        EXPECT_TRUE(e.localizedDescription().contains(QString::fromLatin1(row.model)));
    }
    // A disabled model is never checked.
    EXPECT_TRUE(decode({base("M1", R"("isDisabled": true, "canvases": [])")}).isEmpty());
}

TEST(DeviceDescriptions, undecodableTextFailsWhole) {
    const QByteArray cases[] = {
        "not json",
        "{}",
        "[1]",
        R"([{"printerType": "t"}])",
        "[" + base("M1", R"("printVerb": "Print")") + "]",
        "[" + base("M1", R"("maintenanceActions": [{"identifier": "a", "visibility": "shown"}])") +
            "]",
        "[" + base("M1") + "," + R"({"modelName": "M2", "baseModelName": null})" + "]",
        "[" + base("M1", R"("headDotCount": 1.5)") + "]",
        "[" + base("M1", R"("additionalInfos": [])") + "]",
        R"([{"modelName": "M1", "printerType": "t", "dpi": 300, "offsetBases": ["top"]}])",
        "[" + base("M1", R"("canvases": [{"identifier": "A4"}])") + "]",
    };
    for (const QByteArray& json : cases) {
        EXPECT_THROW(DeviceDescriptor::deviceDescriptors(json, pluginBundle()), DecodingError)
            << json.constData();
    }
    std::shared_ptr<const platform::Error> error;
    EXPECT_FALSE(DeviceDescriptor::deviceDescriptorsWithDecoding("{}", pluginBundle(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), DecodingError::domain);
    EXPECT_TRUE(DeviceDescriptor::deviceDescriptorsWithDecoding("[]", pluginBundle(), nullptr));
}

TEST(DeviceDescriptor, alertsFromTheModelOrItsAncestors) {
    const auto list =
        decode({base("M1", R"("completionAlertVideoName": "movie")"), override("M1b", "M1"),
                base("M2", R"("completionAlertVideoName": "absent")"),
                base("M5", R"("ancestorModelNames": ["Nobody", "Ancestor"])")});
    const auto& m1 = *list[0];
    ASSERT_TRUE(m1.completionAlertInfo());
    EXPECT_EQ(m1.completionAlertInfo()->message, QStringLiteral("M1 is done"));
    EXPECT_EQ(m1.completionAlertInfo()->informativeText, QStringLiteral("M1 details"));
    EXPECT_EQ(m1.completionAlertInfo()->videoFileUrl,
              QUrl(QStringLiteral("qrc:/bundles/TestPluginBundle/movie.mp4")));
    // The base's texts are its own: a model derived from it without texts of
    // its own has no completion alert, though it has the base's movie name.
    EXPECT_FALSE(list[1]->completionAlertInfo());
    EXPECT_FALSE(list[1]->showsCompletionAlert());
    EXPECT_FALSE(list[2]->showsCompletionAlert());
    ASSERT_TRUE(list[2]->copyrightAlertInfo());
    EXPECT_EQ(list[2]->copyrightAlertInfo()->informativeText, QStringLiteral("M2 notice"));
    EXPECT_EQ(list[2]->copyrightAlertInfo()->buttonTitle, QStringLiteral("OK"));
    ASSERT_TRUE(list[3]->completionAlertInfo());
    EXPECT_EQ(list[3]->completionAlertInfo()->message, QStringLiteral("Ancestor is done"));
    EXPECT_EQ(list[3]->completionAlertInfo()->informativeText, QString());
    EXPECT_FALSE(list[3]->completionAlertInfo()->videoFileUrl);
}

// A derived model's ancestors are its own name, then its base's ancestors:
// what a base lists passes down, and so does each override's own name, but
// a base entry's own name does not.
TEST(DeviceDescriptor, aDerivedModelsAncestorsAreItsNameThenItsBasesAncestors) {
    const QByteArray json = "[" + base("M1") + "," + override("M1b", "M1") + "," +
                            override("Derived", "M1") + "," + override("Derived2", "Derived") +
                            "," + base("M5", R"("ancestorModelNames": ["Nobody", "Ancestor"])") +
                            "," + override("M5b", "M5") + "]";
    const auto records = DeviceDescriptionDecoder::resolvedRecords(json);
    const auto ancestors = [&](const QString& name) {
        for (const auto& record : records) {
            if (record.modelName == name) {
                return record.ancestorModelNames.value_or(QStringList{"(none)"});
            }
        }
        return QStringList{"(no such model)"};
    };
    EXPECT_EQ(ancestors("M1b"), QStringList{"M1b"});
    EXPECT_EQ(ancestors("Derived2"), (QStringList{"Derived2", "Derived"}));
    EXPECT_EQ(ancestors("M5b"), (QStringList{"M5b", "Nobody", "Ancestor"}));

    const auto list = DeviceDescriptor::deviceDescriptors(json, pluginBundle());
    const auto message = [&](const QString& name) {
        for (const auto& d : list) {
            if (d->modelName() == name) {
                return d->completionAlertInfo() ? d->completionAlertInfo()->message
                                                : QStringLiteral("(none)");
            }
        }
        return QStringLiteral("(no such model)");
    };
    EXPECT_EQ(message("M1b"), QStringLiteral("(none)"));
    EXPECT_EQ(message("Derived"), QStringLiteral("Derived is done"));
    EXPECT_EQ(message("Derived2"), QStringLiteral("Derived is done"));
    EXPECT_EQ(message("M5b"), QStringLiteral("Ancestor is done"));
}

TEST(DeviceDescriptor, maintenanceActionsByVisibility) {
    const auto d = decode({base("M1", R"("maintenanceActions": [{"identifier": "clean"},
        {"identifier": "flush", "visibility": "debug"}, {"identifier": "reset", "visibility": "hidden"}])")})
        [0];
    const auto ids = [](const QList<MaintenanceAction>& actions) {
        QStringList list;
        for (const auto& a : actions) {
            list.append(a.identifier);
        }
        return list;
    };
    EXPECT_EQ(ids(d->maintenanceActions()), (QStringList{"clean", "flush", "reset"}));
    EXPECT_EQ(ids(d->visibleMaintenanceActions()), QStringList{"clean"});
    EXPECT_EQ(ids(d->visibleMaintenanceActionsIncludingDebug()), (QStringList{"clean", "flush"}));
    EXPECT_EQ(d->maintenanceActions()[0].buttonTitle, QStringLiteral("Clean"));
    EXPECT_EQ(d->maintenanceActions()[0].progressTitle, QStringLiteral("Cleaning"));
    EXPECT_EQ(d->maintenanceActions()[1].buttonTitle, QStringLiteral("flush"));
}

TEST(DeviceDescriptor, titlesFollowThePrintVerb) {
    const auto list = decode({base("M1", R"("printVerb": "lunvik")"),
                              base("Plain", R"("printVerb": "lunvik")"), base("P")});
    const auto& ambrel = LocalizedStringTable::ambrel();
    const auto text = [&](const char* key) {
        return ambrel.getLocalizedStringOrKey(QString::fromLatin1(key));
    };
    // M1 has a completion alert, Plain has none.
    EXPECT_EQ(list[0]->printButtonTitle(), text("Inspector_Print_PrintButtonTitle_PrepareLunvik"));
    EXPECT_EQ(list[1]->printButtonTitle(), text("Inspector_Print_PrintButtonTitle_StartLunvik"));
    EXPECT_EQ(list[1]->printMenuItemTitle(), text("Menu_StartLunvik"));
    EXPECT_EQ(list[1]->printProgressTitle(), text("PrintProgress_title_Lunvik"));
    EXPECT_EQ(list[2]->printButtonTitle(), text("Inspector_Print_PrintButtonTitle_Print"));
    EXPECT_EQ(list[2]->printInspectorPaneTitle(), text("Inspector_Print_Title_Print"));
    EXPECT_EQ(list[2]->overflowAlertMessage(),
              text("Inspector_ImageLayout_overflowAlertDescription_Print"));
    EXPECT_EQ(list[2]->printInspectorOptionsExpanderTitle(),
              text("Inspector_Print_OptionsExpanderTitle_Print"));
}

TEST(DeviceDescriptor, valuesByName) {
    const auto d = decode({base("M1", R"("transportTypes": ["wifi"], "colorAbility": "fullColor",
                                       "offsetBases": ["center", "top"], "headDotCount": 64)")})[0];
    EXPECT_EQ(d->valueForKey(QStringLiteral("modelName")), QVariant(QStringLiteral("M1")));
    EXPECT_EQ(d->valueForKey(QStringLiteral("transportTypes")), QVariant(QStringList{"wifi"}));
    EXPECT_EQ(d->valueForKey(QStringLiteral("colorAbility")),
              QVariant(QStringLiteral("fullColor")));
    EXPECT_EQ(d->valueForKey(QStringLiteral("dpi")), QVariant(300.0));
    EXPECT_EQ(d->valueForKey(QStringLiteral("allowedOffsetBases")),
              QVariant(QStringList({"center", "top"})));
    EXPECT_EQ(d->valueForKey(QStringLiteral("headDotCount")).toLongLong(), 64);
    EXPECT_EQ(d->valueForKey(QStringLiteral("showsCompletionAlert")), QVariant(true));
    EXPECT_EQ(d->valueForKey(QStringLiteral("printButtonTitle")), QVariant(d->printButtonTitle()));
    EXPECT_EQ(
        d->valueForKey(QStringLiteral("canvases")).value<QList<std::shared_ptr<const Canvas>>>(),
        d->canvases());
    EXPECT_FALSE(d->valueForKey(QStringLiteral("additionalInfos")).isValid());
}

} // namespace
