#include "model/descriptions/CustomDecodedParameterSerializedInfos.h"
#include "model/parameters/AnyValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ambrel;

namespace {

const platform::Bundle* bundle() {
    return platform::Bundle::named(QStringLiteral("ModelTestBundle"));
}

QList<LocalizedStringTable> tables() {
    return {LocalizedStringTable(bundle(), QStringLiteral("First")),
            LocalizedStringTable(bundle(), QStringLiteral("Second"))};
}

QList<std::shared_ptr<DeviceSettingParameter>> parameters(const char* json) {
    QList<std::shared_ptr<DeviceSettingParameter>> made;
    for (const auto& info :
         CustomDecodedParameterSerializedInfos::decode(JsonReader::parse(json)).wrappedValue) {
        made.append(info.makeParameter(tables()));
    }
    return made;
}

template <typename T> std::shared_ptr<T> only(const char* json) {
    const auto made = parameters(json);
    EXPECT_EQ(made.size(), 1);
    auto p = std::dynamic_pointer_cast<T>(made.value(0));
    EXPECT_TRUE(p);
    return p;
}

TEST(NumberParameter, minimalEntryHasDefaults) {
    const auto p = only<NumberParameter>(R"([{"type": "number", "identifier": "depth"}])");
    EXPECT_EQ(p->kind(), DeviceSettingParameter::Kind::number);
    EXPECT_EQ(p->min(), 0);
    EXPECT_EQ(p->max(), 1);
    EXPECT_EQ(p->defaultNumber(), 0);
    EXPECT_EQ(p->defaultValue().typeId(), QMetaType::Double);
    EXPECT_EQ(p->numberOfSteps(), 2);
    EXPECT_EQ(p->paneIdentifier(), QStringLiteral("Print"));
    // Only the second table has this label.
    EXPECT_EQ(p->localizedLeftColumnText(), QStringLiteral("Depth"));
}

TEST(NumberParameter, labelsComeFromTheFirstTableWithText) {
    const auto p = only<NumberParameter>(
        R"([{"type": "number", "identifier": "speed", "pane": "Options", "minValue": 10, "maxValue": 20}])");
    EXPECT_EQ(p->localizedLeftColumnText(), QStringLiteral("Speed"));
    EXPECT_EQ(p->paneIdentifier(), QStringLiteral("Options"));
    EXPECT_EQ(p->defaultNumber(), 10);
    const auto unlabelled = only<NumberParameter>(R"([{"type": "number", "identifier": "x"}])");
    EXPECT_EQ(unlabelled->localizedLeftColumnText(), QStringLiteral("x"));
}

TEST(NumberParameter, stepCounts) {
    struct Case {
        const char* range;
        qint64 steps;
    };
    for (const Case c :
         {Case{R"("maxValue": 1, "tickFrequency": 1)", 2},
          Case{R"("maxValue": 100, "tickFrequency": 5)", 21},
          Case{R"("maxValue": 100, "tickFrequency": 3)", 34},
          Case{R"("maxValue": 5, "tickFrequency": 2)", 4},
          // No usable tick frequency: a slider without stops.
          Case{R"("maxValue": 5, "tickFrequency": 0)", 0},
          Case{R"("maxValue": 1e308, "minValue": -1e308, "tickFrequency": 1e-300)", 0},
          Case{R"("maxValue": 0, "minValue": 10, "tickFrequency": 1)", 0}}) {
        const QByteArray json =
            QByteArray(R"([{"type": "number", "identifier": "n", )") + c.range + QByteArray("}]");
        EXPECT_EQ(only<NumberParameter>(json.constData())->numberOfSteps(), c.steps) << c.range;
    }
}

TEST(NumberParameter, constrainsWithoutSnapping) {
    const auto p = only<NumberParameter>(
        R"([{"type": "number", "identifier": "n", "maxValue": 100, "tickFrequency": 5}])");
    EXPECT_EQ(p->constrainValue(150), 100);
    EXPECT_EQ(p->constrainValue(-1), 0);
    EXPECT_EQ(p->constrainValue(37.3), 37.3);
    EXPECT_TRUE(std::isnan(p->constrainValue(std::nan(""))));
    EXPECT_EQ(p->valueForKey(QStringLiteral("max")).toDouble(), 100.0);
    EXPECT_EQ(p->valueForKey(QStringLiteral("numberOfSteps")).toLongLong(), 21);
    EXPECT_FALSE(p->valueForKey(QStringLiteral("negates")).isValid());
}

TEST(BoolParameter, defaultsAndTexts) {
    const auto plain = only<BoolParameter>(R"([{"type": "bool", "identifier": "heat"}])");
    EXPECT_FALSE(plain->negates());
    EXPECT_FALSE(plain->defaultValue().isValid());
    EXPECT_FALSE(plain->defaultBool());
    EXPECT_EQ(plain->localizedCheckboxTitleText(), QStringLiteral("Heat the head"));
    EXPECT_EQ(plain->localizedLeftColumnText(), QStringLiteral("heat"));

    const auto set = only<BoolParameter>(
        R"([{"type": "bool", "identifier": "cool", "negates": true, "defaultValue": true}])");
    EXPECT_TRUE(set->negates());
    EXPECT_TRUE(set->defaultBool());
    EXPECT_EQ(set->localizedCheckboxTitleText(), QStringLiteral("cool"));
    EXPECT_EQ(set->valueForKey(QStringLiteral("default")), QVariant(true));
}

TEST(PickParameter, itemsDefaultsAndNames) {
    const auto p = only<PickParameter>(
        R"([{"type": "pick", "identifier": "mode", "items": ["fast", "fine"]}])");
    EXPECT_EQ(p->defaultItemIdentifier(), QStringLiteral("fast"));
    ASSERT_EQ(p->items().size(), 2);
    EXPECT_EQ(p->items()[0]->localizedName(), QStringLiteral("Fast"));
    EXPECT_EQ(p->items()[1]->localizedName(), QStringLiteral("fine"));
    EXPECT_EQ(p->items()[1]->parameterIdentifier(), QStringLiteral("mode"));
    const auto items = p->valueForKey(QStringLiteral("items"))
                           .value<QList<std::shared_ptr<const PickParameterItem>>>();
    EXPECT_EQ(items, p->items());

    const auto chosen = only<PickParameter>(
        R"([{"type": "pick", "identifier": "mode", "items": ["fast", "fine"], "defaultValue": "fine"}])");
    EXPECT_EQ(chosen->defaultItemIdentifier(), QStringLiteral("fine"));
    // Nothing to pick: an empty identifier, not a crash.
    const auto empty = only<PickParameter>(R"([{"type": "pick", "identifier": "e", "items": []}])");
    EXPECT_TRUE(empty->items().isEmpty());
    EXPECT_EQ(empty->defaultValue(), QVariant(QString()));
    EXPECT_EQ(empty->defaultItemIdentifier(), QString());
}

TEST(CustomDecodedParameterSerializedInfos, kindsInOrder) {
    const auto made = parameters(R"([{"type": "pick", "identifier": "a", "items": ["x"]},
                                     {"type": "bool", "identifier": "b", "unknown": 1},
                                     {"type": "number", "identifier": "c"}])");
    ASSERT_EQ(made.size(), 3);
    EXPECT_EQ(made[0]->kind(), DeviceSettingParameter::Kind::pick);
    EXPECT_EQ(made[1]->kind(), DeviceSettingParameter::Kind::boolean);
    EXPECT_EQ(made[2]->identifier(), QStringLiteral("c"));
}

TEST(CustomDecodedParameterSerializedInfos, oneBadEntryFailsTheList) {
    using Error = CustomDecodedParameterSerializedInfos::Error;
    const auto typeOf = [](const char* json) {
        try {
            CustomDecodedParameterSerializedInfos::decode(JsonReader::parse(json));
        } catch (const Error& e) {
            return e.type();
        }
        return QStringLiteral("(no invalid type)");
    };
    EXPECT_EQ(typeOf(R"([{"type": "Number", "identifier": "n"}])"), QStringLiteral("Number"));
    EXPECT_EQ(typeOf(R"([{"identifier": "n"}])"), QStringLiteral("unknown"));
    EXPECT_EQ(typeOf(R"([{"type": 3, "identifier": "n"}])"), QStringLiteral("unknown"));
    for (const char* json :
         {R"([{"type": "number"}])", R"([{"type": "pick", "identifier": "p"}])",
          R"([{"type": "number", "identifier": "n", "maxValue": "1"}])", R"([1])", R"({})"}) {
        EXPECT_THROW(CustomDecodedParameterSerializedInfos::decode(JsonReader::parse(json)),
                     platform::Error)
            << json;
    }
}

TEST(CustomDecodedParameterSerializedInfos, fieldDecodingNeverFails) {
    const auto entry = JsonReader::parse(R"({"good": [{"type": "bool", "identifier": "b"}],
                                             "bad": [{"type": "bool", "identifier": "b"}, {"type": "x"}],
                                             "null": null})");
    const auto field = [&](const char* key) {
        return CustomDecodedParameterSerializedInfos::decodeField(entry, QString::fromLatin1(key))
            .wrappedValue.size();
    };
    EXPECT_EQ(field("good"), 1);
    EXPECT_EQ(field("bad"), 0);
    EXPECT_EQ(field("null"), 0);
    EXPECT_EQ(field("absent"), 0);
}

TEST(AnyValue, numbersCompareByValueButBooleansAndTextsDoNot) {
    EXPECT_TRUE(AnyValue::equal(QVariant(1), QVariant(1.0)));
    EXPECT_TRUE(AnyValue::equal(QVariant(qint64(2)), QVariant(2u)));
    EXPECT_FALSE(AnyValue::equal(QVariant(1), QVariant(1.5)));
    EXPECT_FALSE(AnyValue::equal(QVariant(true), QVariant(1)));
    EXPECT_FALSE(AnyValue::equal(QVariant(QStringLiteral("1")), QVariant(1)));
    EXPECT_FALSE(AnyValue::equal(QVariant(-1), QVariant(std::numeric_limits<quint64>::max())));
    EXPECT_TRUE(AnyValue::equal(QVariant(), QVariant()));
    EXPECT_FALSE(AnyValue::equal(QVariant(), QVariant(0)));
    EXPECT_TRUE(AnyValue::equal(QVariant(QStringLiteral("a")), QVariant(QStringLiteral("a"))));
    EXPECT_FALSE(AnyValue::isNumber(QVariant(true)));
}

} // namespace
