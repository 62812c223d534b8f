#include "core/document/job/DeviceSetting.h"

#include "TestModels.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using ambrel::BlackConversionType;
using ambrel::OffsetBase;
using kestrom::DeviceSetting;
using platform::KeyValueChange;

namespace {

DeviceSetting alpha() {
    return DeviceSetting(*testmodels::model("Alpha"));
}

TEST(DeviceSetting, startsFromTheModelsDefaultsWithoutPlaceholders) {
    EXPECT_TRUE(DeviceSetting().dictionaryForSave().isEmpty());

    const DeviceSetting setting = alpha();
    const QVariantMap expected{{"speed", 20.0}, {"cool", true}, {"mode", "fine"}};
    EXPECT_EQ(setting.values(), expected); // "vent" has no default: no entry
    EXPECT_FALSE(setting.imageOffsetBase());
    EXPECT_FALSE(setting.canvasIdentifier());
    EXPECT_FALSE(setting.transportTypeIdentifier());
    EXPECT_FALSE(setting.blackConversionType());
    EXPECT_EQ(setting.dictionaryForSave(), expected);

    const auto byName = DeviceSetting::withDefaultsOfModelName("Beta");
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->values(), (QVariantMap{{"depth", 0.5}}));
    EXPECT_FALSE(DeviceSetting::withDefaultsOfModelName("beta"));
}

TEST(DeviceSetting, readsAndWritesValuesByKeyWithNotification) {
    DeviceSetting setting = alpha();
    QList<QVariant> seen;
    auto observation = setting.observe("speed", platform::Observable::New,
                                       [&](const KeyValueChange& c) { seen << c.newValue; });
    setting.setValueForKeyPath("speed", 33.0);
    EXPECT_EQ(setting.valueForKey("speed").toDouble(), 33.0);
    EXPECT_EQ(seen, QList<QVariant>{33.0});

    // The four fields are not reachable by key: the key reads `values`.
    setting.setCanvasIdentifier(QString("A4"));
    EXPECT_FALSE(setting.valueForKey("canvasIdentifier").isValid());
    setting.setValueForKey("canvasIdentifier", "from values");
    EXPECT_EQ(setting.valueForKey("canvasIdentifier").toString(), "from values");

    // Writing no value removes the key, so nothing is saved for it.
    setting.setValueForKey("speed", QVariant());
    EXPECT_FALSE(setting.values().contains("speed"));
    EXPECT_FALSE(setting.dictionaryForSave().contains("speed"));
    EXPECT_EQ(seen.size(), 2);
}

TEST(DeviceSetting, savedDictionaryIsFlatAndSurvivesAPropertyList) {
    DeviceSetting setting = alpha();
    setting.setImageOffsetBase(OffsetBase::topLeft);
    setting.setCanvasIdentifier(QString("A4"));
    setting.setTransportTypeIdentifier(QString("usb"));
    setting.setBlackConversionType(BlackConversionType::halftone);
    setting.setValueForKey("transportTypeIdentifier", "shadowed");
    const QVariantMap saved = setting.dictionaryForSave();
    EXPECT_EQ(saved, (QVariantMap{{"speed", 20.0},
                                  {"cool", true},
                                  {"mode", "fine"},
                                  {"imageOffsetBase", "topLeft"},
                                  {"canvasIdentifier", "A4"},
                                  {"transportTypeIdentifier", "usb"},
                                  {"blackConversionType", "halftone"}}));

    const QByteArray bytes =
        platform::PropertyList::toData(saved, platform::PropertyList::Format::Binary);
    ASSERT_FALSE(bytes.isEmpty());
    DeviceSetting loaded = alpha();
    loaded.loadDictionaryForSave(platform::PropertyList::fromData(bytes).toMap());
    EXPECT_EQ(loaded.dictionaryForSave(), saved);
    EXPECT_EQ(loaded.imageOffsetBase(), OffsetBase::topLeft);
    EXPECT_EQ(loaded.blackConversionType(), BlackConversionType::halftone);
    // The four keys never land among the values.
    EXPECT_FALSE(loaded.values().contains("blackConversionType"));
    EXPECT_FALSE(loaded.values().contains("imageOffsetBase"));
}

TEST(DeviceSetting, loadingFitsValuesToTheModelsParameters) {
    DeviceSetting setting = alpha();
    setting.loadDictionaryForSave({{"speed", 500}, {"mode", "fast"}, {"cool", false}});
    EXPECT_EQ(setting.valueForKey("speed"), QVariant(50.0));
    EXPECT_EQ(setting.valueForKey("mode").toString(), "fast");
    EXPECT_EQ(setting.valueForKey("cool"), QVariant(false));

    setting.loadDictionaryForSave({{"speed", -3.5}});
    EXPECT_EQ(setting.valueForKey("speed"), QVariant(10.0));

    // What no longer fits keeps the current value.
    setting.loadDictionaryForSave({{"speed", std::numeric_limits<double>::quiet_NaN()},
                                   {"mode", "gone"},
                                   {"cool", "yes"},
                                   {"vent", 1}});
    EXPECT_EQ(setting.valueForKey("speed"), QVariant(10.0));
    EXPECT_EQ(setting.valueForKey("mode").toString(), "fast");
    EXPECT_EQ(setting.valueForKey("cool"), QVariant(false));
    EXPECT_FALSE(setting.values().contains("vent"));
    setting.loadDictionaryForSave({{"speed", "fast"}, {"vent", true}});
    EXPECT_EQ(setting.valueForKey("speed"), QVariant(10.0));
    EXPECT_EQ(setting.valueForKey("vent"), QVariant(true));

    // Keys the model does not know are merged as given; nothing is cleared.
    setting.loadDictionaryForSave({{"extra", 3}});
    EXPECT_EQ(setting.valueForKey("extra"), QVariant(3));
    EXPECT_EQ(setting.valueForKey("mode").toString(), "fast");

    // A setting made without a model stores every value as given.
    DeviceSetting plain;
    plain.loadDictionaryForSave({{"speed", 500}});
    EXPECT_EQ(plain.valueForKey("speed"), QVariant(500));
}

TEST(DeviceSetting, loadingTheFourFieldsTakesOnlyTheirForms) {
    DeviceSetting setting;
    setting.loadDictionaryForSave({{"imageOffsetBase", "topLeft"}});
    EXPECT_EQ(setting.imageOffsetBase(), OffsetBase::topLeft);
    setting.loadDictionaryForSave({{"imageOffsetBase", *OffsetBase::bottom.fourCharCode()}});
    EXPECT_EQ(setting.imageOffsetBase(), OffsetBase::bottom);
    setting.loadDictionaryForSave(
        {{"imageOffsetBase", qint64(*OffsetBase::center.fourCharCode())}});
    EXPECT_EQ(setting.imageOffsetBase(), OffsetBase::center);
    for (const QVariant& wrong : {QVariant("TopLeft"), QVariant(7), QVariant(qint64(1) << 40),
                                  QVariant(true), QVariant(1.5)}) {
        setting.loadDictionaryForSave({{"imageOffsetBase", wrong}});
        EXPECT_EQ(setting.imageOffsetBase(), OffsetBase::center) << wrong.toString().toStdString();
    }

    setting.loadDictionaryForSave({{"blackConversionType", "halftone"}, {"speed", 3}});
    EXPECT_EQ(setting.blackConversionType(), BlackConversionType::halftone);
    EXPECT_EQ(setting.valueForKey("speed"), QVariant(3));
    setting.loadDictionaryForSave({{"blackConversionType", "Threshold"}});
    EXPECT_EQ(setting.blackConversionType(), BlackConversionType::halftone);

    setting.loadDictionaryForSave({{"canvasIdentifier", 5}, {"transportTypeIdentifier", "usb"}});
    EXPECT_FALSE(setting.canvasIdentifier());
    EXPECT_EQ(setting.transportTypeIdentifier(), QString("usb"));
    EXPECT_EQ(setting.values(), (QVariantMap{{"speed", 3}}));
}

TEST(DeviceSetting, copiesAreIndependentAndKeepTheirModel) {
    DeviceSetting setting = alpha();
    setting.setCanvasIdentifier(QString("A4"));
    int calls = 0;
    auto observation = setting.observe("speed", [&](const KeyValueChange&) { ++calls; });
    const auto copy = setting.copy();
    copy->setValueForKey("speed", 40.0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(setting.valueForKey("speed"), QVariant(20.0));
    EXPECT_EQ(copy->canvasIdentifier(), QString("A4"));
    copy->loadDictionaryForSave({{"speed", 99}});
    EXPECT_EQ(copy->valueForKey("speed"), QVariant(50.0));
    EXPECT_FALSE(copy->description().isEmpty());
}

} // namespace
