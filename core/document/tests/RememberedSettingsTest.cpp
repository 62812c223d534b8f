#include "core/document/job/LastDeviceSettings.h"
#include "core/document/job/UserDefaultsKeys.h"

#include "TestModels.h"
#include "model/pictures/BlackConversionType.h"
#include "model/pictures/OffsetBase.h"
#include "platform/PropertyList.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using ambrel::BlackConversionType;
using ambrel::OffsetBase;
using kestrom::LastDeviceSettings;
using kestrom::UserDefaultsKeys;
using platform::UserDefaults;

namespace {

class RememberedSettings : public ::testing::Test {
protected:
    void SetUp() override {
        testmodels::registerOnce();
        ASSERT_TRUE(dir.isValid());
    }
    QString path() const { return dir.filePath("org.lunvik.Test.plist"); }
    QVariantMap entry(UserDefaults& defaults, const QString& model) {
        return LastDeviceSettings::lastDeviceSettingInfos(defaults).value(model).toMap();
    }

    QTemporaryDir dir;
};

TEST_F(RememberedSettings, firstStartWritesTheModelAndTheScriptingAnswer) {
    {
        UserDefaults defaults(path());
        for (const auto* key : UserDefaultsKeys::allCases()) {
            key->registerIn(defaults);
        }
    }
    // A later run reads what the first one wrote.
    UserDefaults later(path());
    EXPECT_EQ(later.object("LastModelName"), QVariant("Alpha"));
    EXPECT_EQ(later.object("ScriptingPrintHasBeenAccepted"), QVariant(false));
    EXPECT_FALSE(later.contains("LastDeviceSettings"));
    EXPECT_EQ(UserDefaultsKeys::allCases().size(), 3);
}

TEST_F(RememberedSettings, registeringKeepsAnyValueAlreadyThere) {
    UserDefaults defaults(path());
    defaults.setObject("LastModelName", 42);
    defaults.setBool("ScriptingPrintHasBeenAccepted", true);
    for (const auto* key : UserDefaultsKeys::allCases()) {
        key->registerIn(defaults);
    }
    EXPECT_EQ(defaults.object("LastModelName"), QVariant(qint64(42)));
    EXPECT_TRUE(defaults.boolValue("ScriptingPrintHasBeenAccepted"));
}

TEST_F(RememberedSettings, rememberingOneChoiceStoresTheWholeSettingOfThatModel) {
    UserDefaults defaults(path());
    LastDeviceSettings::setLastDeviceSettingValue(QString("A4"), "canvasIdentifier", "Alpha",
                                                  defaults);
    const QVariantMap expected{
        {"speed", 20.0}, {"cool", true}, {"mode", "fine"}, {"canvasIdentifier", "A4"}};
    EXPECT_EQ(entry(defaults, "Alpha"), expected);
    EXPECT_EQ(UserDefaults(path()).dictionary("LastDeviceSettings").value("Alpha").toMap(),
              expected);

    LastDeviceSettings::setLastDeviceSettingValue(QVariant::fromValue(OffsetBase::topLeft),
                                                  "imageOffsetBase", "Alpha", defaults);
    LastDeviceSettings::setLastDeviceSettingValue(
        QVariant::fromValue(BlackConversionType::halftone), "blackConversionType", "Alpha",
        defaults);
    LastDeviceSettings::setLastDeviceSettingValue(QString("usb"), "transportTypeIdentifier",
                                                  "Alpha", defaults);
    const QVariantMap alpha = entry(defaults, "Alpha");
    EXPECT_EQ(alpha.value("imageOffsetBase"), QVariant("topLeft"));
    EXPECT_EQ(alpha.value("blackConversionType"), QVariant("halftone"));
    EXPECT_EQ(alpha.value("transportTypeIdentifier"), QVariant("usb"));
    EXPECT_EQ(alpha.value("canvasIdentifier"), QVariant("A4"));

    // Another type forgets the remembered canvas.
    LastDeviceSettings::setLastDeviceSettingValue(5, "canvasIdentifier", "Alpha", defaults);
    EXPECT_FALSE(entry(defaults, "Alpha").contains("canvasIdentifier"));
}

TEST_F(RememberedSettings, aParameterChangeReplacesOnlyItsValueAndIsStoredClamped) {
    UserDefaults defaults(path());
    LastDeviceSettings::setLastDeviceSettingValue(0.25, "depth", "Beta", defaults);
    LastDeviceSettings::setLastDeviceSettingValue(QString("fast"), "mode", "Alpha", defaults);
    LastDeviceSettings::setLastDeviceSettingValue(80, "speed", "Alpha", defaults);
    EXPECT_EQ(entry(defaults, "Alpha"),
              (QVariantMap{{"speed", 50.0}, {"cool", true}, {"mode", "fast"}}));
    EXPECT_EQ(entry(defaults, "Beta"), (QVariantMap{{"depth", 0.25}}));
}

TEST_F(RememberedSettings, wronglyTypedAnchorOrConversionChangesNothing) {
    UserDefaults defaults(path());
    LastDeviceSettings::setLastDeviceSettingValue(QString("A4"), "canvasIdentifier", "Alpha",
                                                  defaults);
    const QVariant before = defaults.object("LastDeviceSettings");
    LastDeviceSettings::setLastDeviceSettingValue(QString("center"), "imageOffsetBase", "Alpha",
                                                  defaults);
    LastDeviceSettings::setLastDeviceSettingValue(QString("halftone"), "blackConversionType",
                                                  "Alpha", defaults);
    EXPECT_EQ(defaults.object("LastDeviceSettings"), before);
}

TEST_F(RememberedSettings, anythingButDictionariesOfDictionariesReadsAsEmpty) {
    UserDefaults defaults(path());
    defaults.setObject("LastDeviceSettings", "text");
    EXPECT_TRUE(LastDeviceSettings::lastDeviceSettingInfos(defaults).isEmpty());
    defaults.setObject("LastDeviceSettings", QVariantMap{{"Alpha", QVariantMap{}}, {"Beta", 3}});
    EXPECT_TRUE(LastDeviceSettings::lastDeviceSettingInfos(defaults).isEmpty());
    // ... and the next remembered change replaces it.
    LastDeviceSettings::setLastDeviceSettingValue(0.75, "depth", "Beta", defaults);
    EXPECT_EQ(LastDeviceSettings::lastDeviceSettingInfos(defaults).keys(), QStringList{"Beta"});
}

TEST_F(RememberedSettings, theDefaultsFileShowsTheSettingWithItsTypes) {
    const QString tool = QStandardPaths::findExecutable("plistutil");
    if (tool.isEmpty()) {
        GTEST_SKIP() << "plistutil is not installed";
    }
    UserDefaults defaults(path());
    for (const auto* key : UserDefaultsKeys::allCases()) {
        key->registerIn(defaults);
    }
    LastDeviceSettings::setLastDeviceSettingValue(QString("A4"), "canvasIdentifier", "Alpha",
                                                  defaults);
    QProcess process;
    process.start(tool, {"-i", path(), "-o", "-"});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QString xml = QString::fromUtf8(process.readAllStandardOutput()).simplified();
    EXPECT_TRUE(xml.contains("<key>LastModelName</key> <string>Alpha</string>"))
        << xml.toStdString();
    EXPECT_TRUE(xml.contains("<key>ScriptingPrintHasBeenAccepted</key> <false/>"));
    EXPECT_TRUE(xml.contains("<key>LastDeviceSettings</key> <dict> <key>Alpha</key> <dict>"));
    EXPECT_TRUE(xml.contains("<key>speed</key> <real>20"));
    EXPECT_TRUE(xml.contains("<key>cool</key> <true/>"));
    EXPECT_TRUE(xml.contains("<key>mode</key> <string>fine</string>"));
    EXPECT_TRUE(xml.contains("<key>canvasIdentifier</key> <string>A4</string>"));
    EXPECT_FALSE(xml.contains("vent"));
}

} // namespace
