#include "core/document/tests/DocumentTestSupport.h"

#include "platform/UserDefaults.h"

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;
using kestrom::UndoActionName;

namespace {

using CommandsTest = DocumentTest;
using Name = UndoActionName;

QString displayed(Name name) {
    return UndoActionName(name).displayedName();
}

TEST_F(CommandsTest, resetsAreOneStepEach) {
    PrintDocument document;
    platform::UndoManager& undo = *document.undoManager();
    document.setImageRepeatXCount(3);
    document.setImageRepeatYCount(2);
    document.setUsesMinimumSeparatedXMargin(false);
    document.setMaximumBlackXLength_mm(40);
    endEvent();

    document.resetImageRepeatCount();
    endEvent();
    EXPECT_EQ(undo.undoActionName(), displayed(Name::resettingImageRepeatCount));
    EXPECT_EQ(document.imageRepeatXCount(), 1);
    EXPECT_EQ(document.imageRepeatYCount(), 1);

    document.resetHorizontalImageSplit();
    endEvent();
    EXPECT_EQ(undo.undoActionName(), displayed(Name::resettingHorizontalImageSplit));
    EXPECT_TRUE(document.horizontalImageSplitPropertiesAreDefault());

    undo.undo();
    EXPECT_FALSE(document.usesMinimumSeparatedXMargin());
    EXPECT_EQ(document.maximumBlackXLength_mm(), 40);
    undo.undo();
    EXPECT_EQ(document.imageRepeatXCount(), 3);
    EXPECT_EQ(document.imageRepeatYCount(), 2);

    // Nothing to reset leaves no step.
    document.setImageRepeatXCount(1);
    document.setImageRepeatYCount(1);
    endEvent();
    undo.removeAllActions();
    document.resetPosition();
    document.resetImageRepeatCount();
    endEvent();
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(CommandsTest, resettingHalftoneLeavesThresholdAndScreenLines) {
    PrintDocument document;
    document.setValueForKeyPath("blackConversionOptions.threshold.threshold", 0.8);
    document.setValueForKeyPath("blackConversionOptions.halftone.linesPerInch", 40.0);
    document.setValueForKeyPath("blackConversionOptions.halftone.brightnessFactor", 0.3);
    document.setValueForKeyPath("blackConversionOptions.halftone.whiteClampFactor", 0.2);
    endEvent();
    document.resetBlackConversionProperties({BlackConversionType::halftone});
    endEvent();
    EXPECT_EQ(document.undoManager()->undoActionName(),
              displayed(Name::resettingBitmapConversionProperties));
    EXPECT_EQ(document.valueForKeyPath("blackConversionOptions.halftone.brightnessFactor"), 0.0);
    EXPECT_EQ(document.valueForKeyPath("blackConversionOptions.halftone.whiteClampFactor"), 0.0);
    EXPECT_EQ(document.valueForKeyPath("blackConversionOptions.halftone.linesPerInch"), 40.0);
    EXPECT_EQ(document.valueForKeyPath("blackConversionOptions.threshold.threshold"), 0.8);

    document.resetBlackConversionProperties(BlackConversionType::allCases());
    EXPECT_EQ(document.valueForKeyPath("blackConversionOptions.threshold.threshold"), 0.5);
}

TEST_F(CommandsTest, changeCommandsRememberTheChoiceForTheModel) {
    PrintDocument document;
    document.setOriginalImage(picture(10, 10));
    document.setImageOffset_mm({3, 3});
    endEvent();
    document.changeCanvas(model(alderName)->canvases().at(1));
    endEvent();
    EXPECT_EQ(document.undoManager()->undoActionName(), displayed(Name::changingCanvas));
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    document.changeTransportType(TransportType::wifi);
    document.changeBlackConversionType(BlackConversionType::halftone);
    QVariantMap memory = document.lastDeviceSettingInfos().value(alderName).toMap();
    EXPECT_EQ(memory.value("canvasIdentifier"), QStringLiteral("A3"));
    EXPECT_EQ(memory.value("transportTypeIdentifier"), QStringLiteral("wifi"));
    EXPECT_EQ(memory.value("blackConversionType"), QStringLiteral("halftone"));

    // An anchor the model refuses clears the offset and is remembered all the same.
    document.setImageOffset_mm({3, 3});
    document.changeImageOffsetBase(OffsetBase::top);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    memory = document.lastDeviceSettingInfos().value(alderName).toMap();
    EXPECT_EQ(memory.value("imageOffsetBase"), QStringLiteral("top"));
}

} // namespace
