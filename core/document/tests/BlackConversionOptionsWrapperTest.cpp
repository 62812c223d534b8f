#include "core/document/job/BlackConversionOptionsWrapper.h"
#include "core/document/job/BlackConversionOptions.h"
#include "core/document/job/CurrentBlackConversionReadonlyWrapper.h"

#include <gtest/gtest.h>

#include <limits>

using kestrom::BlackConversionOptionsWrapper;
using platform::KeyValueChange;

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(BlackConversionOptionsWrapper, settingAnOptionBringsItIntoRange) {
    BlackConversionOptionsWrapper options;
    const auto& threshold = options.threshold().rawValue();
    options.setValueForKeyPath("threshold.threshold", 1.7);
    EXPECT_EQ(threshold.threshold, 1.0);
    options.setValueForKeyPath("threshold.expansionLevel", -9);
    EXPECT_EQ(threshold.expansionLevel, -5);
    options.setValueForKeyPath("threshold.threshold", nan);
    EXPECT_EQ(threshold.threshold, 1.0);

    const auto& halftone = options.halftone().rawValue();
    const std::pair<double, double> angles[] = {{270, -90}, {180, 180}, {540, -180}, {-190, 170}};
    for (const auto& [given, stored] : angles) {
        options.setValueForKeyPath("halftone.angle_deg", given);
        EXPECT_EQ(halftone.angle_deg, stored) << given;
    }
    options.setValueForKeyPath("halftone.linesPerInch", 0);
    EXPECT_EQ(halftone.linesPerInch, 0);
    options.setValueForKeyPath("halftone.linesPerInch", -4);
    EXPECT_EQ(halftone.linesPerInch, -4);
    options.setValueForKeyPath("halftone.brightnessFactor", -2);
    EXPECT_EQ(halftone.brightnessFactor, -0.6);
    options.setValueForKeyPath("halftone.blackClampFactor", 0.9);
    EXPECT_EQ(halftone.blackClampFactor, 0.4);
    options.setValueForKeyPath("halftone.whiteClampFactor", -1);
    EXPECT_EQ(halftone.whiteClampFactor, 0.0);
    options.setValueForKeyPath("halftone.linesPerInch", std::numeric_limits<double>::infinity());
    EXPECT_EQ(halftone.linesPerInch, -4);
}

TEST(BlackConversionOptionsWrapper, keyPathWritesClampAndNotifyObservers) {
    BlackConversionOptionsWrapper options;
    QList<QVariant> seen;
    auto observation = options.observe("threshold.expansionLevel", platform::Observable::New,
                                       [&](const KeyValueChange& c) { seen << c.newValue; });
    options.setValueForKeyPath("threshold.expansionLevel", 12);
    options.setValueForKeyPath("threshold.expansionLevel", 2.9);
    options.setValueForKeyPath("threshold.expansionLevel", "three"); // not a number: ignored
    EXPECT_EQ(seen, (QList<QVariant>{qint64(5), qint64(2)}));
    options.setValueForKeyPath("halftone.whiteClampFactor", 3);
    EXPECT_EQ(options.valueForKeyPath("halftone.whiteClampFactor"), QVariant(0.4));
    EXPECT_FALSE(options.valueForKeyPath("halftone.nothing").isValid());
}

TEST(BlackConversionOptionsWrapper, savesAndLoadsBothOptionSets) {
    BlackConversionOptionsWrapper fresh;
    const QVariantMap defaults{
        {"threshold", QVariantMap{{"threshold", 0.5}, {"expansionLevel", qint64(0)}}},
        {"halftone", QVariantMap{{"linesPerInch", 20.0},
                                 {"brightnessFactor", 0.0},
                                 {"blackClampFactor", 0.0},
                                 {"whiteClampFactor", 0.0}}}};
    EXPECT_EQ(fresh.dictionaryForSave(), defaults);

    BlackConversionOptionsWrapper edited;
    edited.threshold().setRawValue({0.25, 3});
    edited.halftone().setRawValue({45, 15, 0.1, 0.2, 0.3});
    BlackConversionOptionsWrapper reopened;
    reopened.loadDictionaryForSave(edited.dictionaryForSave());
    EXPECT_EQ(reopened.threshold().rawValue(), edited.threshold().rawValue());
    EXPECT_EQ(reopened.halftone().rawValue().linesPerInch, 45);
    EXPECT_EQ(reopened.halftone().rawValue().whiteClampFactor, 0.3);
    EXPECT_EQ(reopened.halftone().rawValue().angle_deg, 30.0); // the angle is not kept
}

TEST(BlackConversionOptionsWrapper, loadingTakesOnlyNumbersOfTheRightKind) {
    BlackConversionOptionsWrapper options;
    options.loadDictionaryForSave({{"halftone", QVariantMap{{"blackClampFactor", 0.9}}}});
    EXPECT_EQ(options.halftone().rawValue().blackClampFactor, 0.4);
    options.loadDictionaryForSave({{"halftone", QVariantMap{{"angle_deg", 10}}}});
    EXPECT_EQ(options.halftone().rawValue().angle_deg, 30.0);
    options.loadDictionaryForSave({{"threshold", QVariantMap{{"expansionLevel", 2.5}}}});
    EXPECT_EQ(options.threshold().rawValue().expansionLevel, 0);
    options.loadDictionaryForSave({{"threshold", QVariantMap{{"expansionLevel", 2.0}}}});
    EXPECT_EQ(options.threshold().rawValue().expansionLevel, 2);
    options.loadDictionaryForSave(
        {{"threshold", QVariantMap{{"threshold", true}}}, {"halftone", "not a dictionary"}});
    EXPECT_EQ(options.threshold().rawValue().threshold, 0.5);
    options.loadDictionaryForSave({{"threshold", QVariantMap{{"threshold", nan}}}});
    EXPECT_EQ(options.threshold().rawValue().threshold, 0.5);
    options.loadDictionaryForSave({{"threshold", QVariantMap{{"expansionLevel", 1e300}}}});
    EXPECT_EQ(options.threshold().rawValue().expansionLevel, 2);
}

TEST(BlackConversionOptionsWrapper, namesTheUndoActionOfEachOptionKeyPath) {
    using W = BlackConversionOptionsWrapper;
    const auto raw = [](const QString& path) {
        const auto name = W::undoActionName(path);
        return name ? name->rawValue() : QString();
    };
    EXPECT_EQ(raw("threshold.threshold"), "changingBitmapConversionThreshold");
    EXPECT_EQ(raw("threshold.expansionLevel"), "changingBitmapExpansionLevel");
    EXPECT_EQ(raw("halftone.linesPerInch"), "changingHalftoneOption");
    for (const char* key : {"brightnessFactor", "blackClampFactor", "whiteClampFactor"}) {
        EXPECT_EQ(raw(QString("halftone.") + key), "changingImageBrightness");
    }
    for (const char* path : {"halftone.angle_deg", "threshold", "threshold.", "halftone.Lines",
                             "x.threshold.threshold"}) {
        EXPECT_FALSE(W::undoActionName(path)) << path;
    }
    EXPECT_EQ(
        W::allKeyPaths(),
        (QStringList{"threshold.threshold", "threshold.expansionLevel", "halftone.linesPerInch",
                     "halftone.angle_deg", "halftone.brightnessFactor", "halftone.blackClampFactor",
                     "halftone.whiteClampFactor"}));
}

TEST(CurrentBlackConversionReadonlyWrapper, travelsInAVariant) {
    ambrel::BlackConversion::HalftoneOption halftone;
    halftone.angle_deg = 10;
    auto wrapper = std::make_shared<const kestrom::CurrentBlackConversionReadonlyWrapper>(
        ambrel::BlackConversion::halftone(halftone));
    const QVariant v = QVariant::fromValue(wrapper);
    const auto back =
        v.value<std::shared_ptr<const kestrom::CurrentBlackConversionReadonlyWrapper>>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->blackConversion().halftoneOption()->angle_deg, 10);
}

TEST(BlackConversionOptions, startLikeTheWrapperAndCompareEveryNumber) {
    const BlackConversionOptionsWrapper wrapper;
    kestrom::BlackConversionOptions options;
    EXPECT_EQ(options.threshold, wrapper.threshold().rawValue());
    EXPECT_EQ(options.halftone, wrapper.halftone().rawValue());

    kestrom::BlackConversionOptions turned = options;
    turned.halftone.angle_deg = 45;
    EXPECT_NE(turned, options);
    turned.halftone.angle_deg = options.halftone.angle_deg;
    EXPECT_EQ(turned, options);
}

} // namespace
