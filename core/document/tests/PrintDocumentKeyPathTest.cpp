#include "core/document/tests/DocumentTestSupport.h"

#include "platform/ScriptCommand.h"
#include "platform/UserDefaults.h"

#include <limits>

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;
using kestrom::UndoActionName;

namespace {

using KeyPathTest = DocumentTest;
using Name = UndoActionName;

QVariantMap remembered(const QString& modelName) {
    return platform::UserDefaults::standard()
        .dictionary(QStringLiteral("LastDeviceSettings"))
        .value(modelName)
        .toMap();
}

QString undoName(const PrintDocument& document) {
    return document.undoManager()->undoActionName();
}

TEST_F(KeyPathTest, aSettingBelowItsMinimumIsStoredAndRememberedAsTheMinimum) {
    PrintDocument document;
    ChangeCounter counter(document, {"currentDeviceSetting.speed"});
    document.setValueForKeyPath("currentDeviceSetting.speed", -3);
    endEvent();
    const QVariant stored = document.valueForKeyPath("currentDeviceSetting.speed");
    EXPECT_EQ(stored.typeId(), QMetaType::Double);
    EXPECT_EQ(stored.toDouble(), 1.0);
    EXPECT_EQ(counter.count("currentDeviceSetting.speed"), 1);
    EXPECT_EQ(undoName(document), UndoActionName(Name::changingDeviceSetting).displayedName());
    // The whole setting of the model is remembered, with the stored value.
    const QVariantMap memory = remembered(alderName);
    EXPECT_EQ(memory.value("speed").toDouble(), 1.0);
    EXPECT_EQ(memory.value("mode"), QStringLiteral("fine"));

    document.setValueForKeyPath("currentDeviceSetting.speed", 12.5);
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 10.0);
    EXPECT_EQ(remembered(alderName).value("speed").toDouble(), 10.0);
}

TEST_F(KeyPathTest, undoAndRedoOfASettingLeaveTheMemoryAlone) {
    PrintDocument document;
    document.setValueForKeyPath("currentDeviceSetting.speed", 8);
    endEvent();
    platform::UserDefaults::standard().removeObject("LastDeviceSettings");
    ChangeCounter counter(document, {"currentDeviceSetting.speed"});
    document.undoManager()->undo();
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 5.0);
    document.undoManager()->redo();
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 8.0);
    EXPECT_EQ(counter.count("currentDeviceSetting.speed"), 2);
    EXPECT_FALSE(platform::UserDefaults::standard().contains("LastDeviceSettings"));

    const auto command = platform::ScriptCommand::make("set");
    command->execute([&] {
        document.setValueForKeyPath("currentDeviceSetting.speed", 6);
        return QVariant();
    });
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 6.0);
    EXPECT_FALSE(platform::UserDefaults::standard().contains("LastDeviceSettings"));
}

TEST_F(KeyPathTest, undoingAWriteToAnAbsentKeyRemovesTheKey) {
    PrintDocument document;
    ChangeCounter counter(document, {"currentDeviceSetting.extra"});
    document.setValueForKeyPath("currentDeviceSetting.extra", "on");
    endEvent();
    EXPECT_EQ(document.currentDeviceSetting()->values().value("extra"), QStringLiteral("on"));
    document.undoManager()->undo();
    EXPECT_FALSE(document.currentDeviceSetting()->values().contains("extra"));
    EXPECT_FALSE(document.currentDeviceSetting()->dictionaryForSave().contains("extra"));
    EXPECT_EQ(counter.count("currentDeviceSetting.extra"), 2);
    document.undoManager()->redo();
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.extra"), QStringLiteral("on"));
}

TEST_F(KeyPathTest, settingWritesThatChangeNothingAreIgnored) {
    PrintDocument document;
    ChangeCounter counter(document, {"currentDeviceSetting.speed", "currentDeviceSetting.mode"});
    document.setValueForKeyPath("currentDeviceSetting.speed", QVariant());
    document.setValueForKeyPath("currentDeviceSetting.speed",
                                std::numeric_limits<double>::quiet_NaN());
    document.setValueForKeyPath("currentDeviceSetting.speed",
                                std::numeric_limits<double>::infinity());
    document.setValueForKeyPath("currentDeviceSetting.speed", 5);
    document.setValueForKeyPath("currentDeviceSetting.mode", "fine");
    EXPECT_EQ(counter.total(), 0);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 5.0);
    // The user chose them all the same: the model remembers them.
    EXPECT_EQ(remembered(alderName).value("speed"), QVariant(5.0));
    EXPECT_EQ(remembered(alderName).value("mode"), QStringLiteral("fine"));

    // A switch and a pick list are stored as given.
    document.setValueForKeyPath("currentDeviceSetting.vacuum", false);
    document.setValueForKeyPath("currentDeviceSetting.mode", "fast");
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.vacuum"), QVariant(false));
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.mode"), QStringLiteral("fast"));
}

TEST_F(KeyPathTest, conversionOptionsAreWrittenWithTheirStepNames) {
    PrintDocument document;
    struct Case {
        const char* keyPath;
        QVariant value;
        QVariant stored;
        Name name;
    };
    for (const Case& c : {
             Case{"threshold.threshold", 1.7, 1.0,
                  UndoActionName("changingBitmapConversionThreshold")},
             Case{"threshold.expansionLevel", -9, -5,
                  UndoActionName("changingBitmapExpansionLevel")},
             Case{"halftone.linesPerInch", 45.0, 45.0, UndoActionName("changingHalftoneOption")},
             Case{"halftone.brightnessFactor", 0.2, 0.2, UndoActionName("changingImageBrightness")},
             Case{"halftone.blackClampFactor", 0.9, 0.4, UndoActionName("changingImageBrightness")},
             Case{"halftone.whiteClampFactor", 0.1, 0.1, UndoActionName("changingImageBrightness")},
         }) {
        const QString keyPath = QStringLiteral("blackConversionOptions.") + c.keyPath;
        SCOPED_TRACE(keyPath.toStdString());
        const QVariant before = document.valueForKeyPath(keyPath);
        document.setValueForKeyPath(keyPath, c.value);
        endEvent();
        EXPECT_EQ(document.valueForKeyPath(keyPath).toDouble(), c.stored.toDouble());
        EXPECT_EQ(undoName(document), UndoActionName(c.name).displayedName());
        document.undoManager()->undo();
        EXPECT_EQ(document.valueForKeyPath(keyPath), before);
        document.undoManager()->redo();
        EXPECT_EQ(document.valueForKeyPath(keyPath).toDouble(), c.stored.toDouble());
    }
    EXPECT_FALSE(platform::UserDefaults::standard().contains("LastDeviceSettings"));
}

TEST_F(KeyPathTest, optionKeysOutsideTheTableAreIgnored) {
    PrintDocument document;
    ChangeCounter counter(document, {"blackConversionOptions.halftone.angle_deg",
                                     "blackConversionOptions.threshold.threshold"});
    document.setValueForKeyPath("blackConversionOptions.halftone.angle_deg", 10.0);
    document.setValueForKeyPath("blackConversionOptions.threshold", 0.2);
    document.setValueForKeyPath("blackConversionOptions.threshold.Threshold", 0.2);
    document.setValueForKeyPath("blackConversionOptions.threshold.threshold",
                                std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(counter.total(), 0);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_EQ(document.valueForKeyPath("blackConversionOptions.halftone.angle_deg").toDouble(),
              30.0);
}

TEST_F(KeyPathTest, otherKeyPathsAreWrittenAsUsual) {
    PrintDocument document;
    // Nothing after the dot is no setting key path.
    document.setValueForKeyPath("currentDeviceSetting.", 3);
    EXPECT_FALSE(document.undoManager()->canUndo());
    document.setValueForKeyPath("imageRepeatXCount", 4);
    EXPECT_EQ(document.imageRepeatXCount(), 4);
    EXPECT_EQ(document.valueForKeyPath("deviceDescriptor.modelName"), alderName);
    EXPECT_EQ(document.valueForKeyPath("canvas.identifier"), QStringLiteral("A4"));
    EXPECT_FALSE(document.valueForKeyPath("originalImage.vector").isValid());
    document.setOriginalImage(picture(10, 10));
    EXPECT_EQ(document.valueForKeyPath("originalImage.vector"), QVariant(false));
}

} // namespace
