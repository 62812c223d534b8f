#include "core/document/tests/DocumentTestSupport.h"

#include "platform/ScriptCommand.h"

#include <QPointF>

#include <limits>

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;
using kestrom::UndoActionName;

namespace {

using PropertiesTest = DocumentTest;
using Name = UndoActionName;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

TEST_F(PropertiesTest, valuesAreBroughtIntoRange) {
    PrintDocument document;
    struct Case {
        const char* key;
        QVariant value;
        QVariant stored;
    };
    for (const Case& c : {
             Case{"imageRepeatXCount", 0, 1},
             Case{"imageRepeatXCount", -5, 1},
             Case{"imageRepeatXCount", 51, 50},
             Case{"imageRepeatXCount", 50, 50},
             Case{"imageRepeatYCount", 0, 1},
             Case{"imageRepeatYCount", 1000, 50},
             Case{"minimumSeparatedXMargin_mm", 2.0, 5.0},
             Case{"minimumSeparatedXMargin_mm", 601.0, 600.0},
             Case{"maximumBlackXLength_mm", 700.0, 600.0},
             Case{"maximumBlackXLength_mm", 10.0, 30.0},
             Case{"additionalWhitespaceLength_end_mm", -3.0, 0.0},
             Case{"additionalWhitespaceLength_end_mm", 250.0, 100.0},
             Case{"additionalWhitespaceLength_start_mm", 250.0, 100.0},
             Case{"imageRepeatXMargin_mm", -12.5, -12.5},
             Case{"imageRepeatYMargin_mm", 1e6, 1e6},
         }) {
        document.setValueForKey(c.key, c.value);
        EXPECT_EQ(document.valueForKey(c.key).toDouble(), c.stored.toDouble())
            << c.key << " " << c.value.toString().toStdString();
    }
}

TEST_F(PropertiesTest, numbersThatAreNotFiniteAreNeverStored) {
    PrintDocument document;
    ChangeCounter counter(document, {"imageRepeatXMargin_mm", "maximumBlackXLength_mm",
                                     "imageOffset_mm", "imageRepeatXCount"});
    document.setImageRepeatXMargin_mm(nan);
    document.setMaximumBlackXLength_mm(inf);
    document.setImageOffset_mm({nan, 3});
    document.setValueForKey("imageRepeatXCount", nan);
    document.setValueForKey("imageRepeatXMargin_mm", -inf);
    EXPECT_EQ(counter.total(), 0);
    EXPECT_EQ(document.imageRepeatXMargin_mm(), 0);
    EXPECT_EQ(document.maximumBlackXLength_mm(), 150);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    EXPECT_EQ(document.imageRepeatXCount(), 1);
    EXPECT_FALSE(document.undoManager()->canUndo());
}

TEST_F(PropertiesTest, anEqualValueNotifiesNothingAndLeavesNoStep) {
    PrintDocument document;
    const QStringList keys = {"imageRepeatXCount",    "imageOffset_mm",
                              "flipsImageHorizontal", "minimumSeparatedXMargin_mm",
                              "transportType",        "blackConversionType",
                              "imageOffsetBase",      "imageOrientation"};
    ChangeCounter counter(document, keys);
    document.setImageRepeatXCount(1);
    document.setImageRepeatXCount(0); // clamps to the stored 1
    document.setImageOffset_mm({0, 0});
    document.setFlipsImageHorizontal(false);
    document.setMinimumSeparatedXMargin_mm(70);
    document.setMinimumSeparatedXMargin_mm(70.0);
    document.setTransportType(TransportType::usb);
    document.setBlackConversionType(BlackConversionType::threshold);
    document.setImageOffsetBase(OffsetBase::center);
    document.setImageOrientation(ImageRotation::none);
    document.setCanvas(model(alderName)->canvases().first());
    document.setDeviceDescriptor(model(alderName));
    EXPECT_EQ(counter.total(), 0);
    EXPECT_FALSE(document.undoManager()->canUndo());
}

// Each kind of property: its step name, the undo back to the old value with
// one notification, and the redo.
TEST_F(PropertiesTest, everySetterIsOneNamedStepThatUndoesAndRedoes) {
    struct Case {
        const char* key;
        QVariant value;
        Name name;
    };
    const auto canvasA3 = model(alderName)->canvases().at(1);
    for (const Case& c : {
             Case{"imageOffset_mm", QPointF(3, -4), Name::movingImage},
             Case{"imageOrientation", 3, UndoActionName("rotatingImage")},
             Case{"imageOffsetBase", "topLeft", Name::changingOffsetBase},
             Case{"flipsImageHorizontal", true, UndoActionName("flippingImage")},
             Case{"transportType", "wifi", Name::changingTransportType},
             Case{"blackConversionType", "halftone", Name::changingBlackConversionType},
             Case{"canvas", QVariant::fromValue(canvasA3), Name::changingCanvas},
             Case{"imageRepeatXCount", 3, UndoActionName("changingImageRepeatXCount")},
             Case{"imageRepeatYCount", 4, UndoActionName("changingImageRepeatYCount")},
             Case{"imageRepeatXMargin_mm", 2.5, UndoActionName("changingImageRepeatXMargin")},
             Case{"imageRepeatYMargin_mm", -1.0, UndoActionName("changingImageRepeatYMargin")},
             Case{"minimumSeparatedXMargin_mm", 90.0,
                  UndoActionName("changingMinimumSeparatedXMargin")},
             Case{"maximumBlackXLength_mm", 40.0, UndoActionName("changingMaximumBlackXLength")},
             Case{"usesMinimumSeparatedXMargin", false,
                  UndoActionName("changingUsesMinimumSeparatedXMargin")},
             Case{"usesMaximumBlackXLength", false,
                  UndoActionName("changingUsesMaximumBlackXLength")},
             Case{"additionalWhitespaceLength_start_mm", 7.0,
                  UndoActionName("changingAdditionalWhitespaceLength")},
             Case{"additionalWhitespaceLength_end_mm", 8.0,
                  UndoActionName("changingAdditionalWhitespaceLength")},
             Case{"imageSizeForDisplay_mm", QSizeF(20, 10), Name::resizingImage},
             Case{"originalImage", QVariant::fromValue(picture(8, 4)), Name::changingImage},
             Case{"currentDeviceSetting",
                  QVariant::fromValue(std::make_shared<kestrom::DeviceSetting>()),
                  Name::changingDeviceSetting},
         }) {
        SCOPED_TRACE(c.key);
        PrintDocument document;
        platform::UndoManager& undo = *document.undoManager();
        const QVariant before = document.valueForKey(c.key);
        ChangeCounter counter(document, {c.key});

        document.setValueForKey(c.key, c.value);
        endEvent();
        const QVariant after = document.valueForKey(c.key);
        EXPECT_NE(after, before);
        EXPECT_EQ(counter.count(c.key), 1);
        EXPECT_EQ(undo.undoActionName(), UndoActionName(c.name).displayedName());
        EXPECT_TRUE(document.isDocumentEdited());

        undo.undo();
        EXPECT_EQ(document.valueForKey(c.key), before);
        EXPECT_EQ(counter.count(c.key), 2);
        EXPECT_TRUE(undo.canRedo());
        EXPECT_FALSE(undo.canUndo());
        EXPECT_FALSE(document.isDocumentEdited());

        undo.redo();
        if (c.name == Name::changingImage) {
            // A picture comes back decoded again from its file's bytes.
            const auto redone = document.originalImage();
            const auto done = after.value<OriginalImage::Pointer>();
            ASSERT_TRUE(redone && done);
            EXPECT_EQ(redone->data(), done->data());
            EXPECT_EQ(redone->fileURL(), done->fileURL());
        } else {
            EXPECT_EQ(document.valueForKey(c.key), after);
        }
        EXPECT_EQ(counter.count(c.key), 3);
        EXPECT_EQ(undo.undoActionName(), UndoActionName(c.name).displayedName());
    }
}

TEST_F(PropertiesTest, anotherChangeAfterUndoingToTheSavedCountIsAnEdit) {
    PrintDocument document;
    document.setImageRepeatXCount(2);
    endEvent();
    document.markSaved();
    EXPECT_FALSE(document.isDocumentEdited());
    document.undoManager()->undo();
    EXPECT_TRUE(document.isDocumentEdited());
    document.undoManager()->redo();
    EXPECT_FALSE(document.isDocumentEdited());

    document.undoManager()->undo();
    document.setImageRepeatYCount(3); // as many steps as when saved, but not the saved state
    endEvent();
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(PropertiesTest, pictureAndCanvasChangesForgetTheSizeText) {
    PrintDocument document;
    ChangeCounter counter(document, {"imageOriginalSizeDescription"});
    EXPECT_EQ(document.imageOriginalSizeDescription(), QString());
    EXPECT_TRUE(document.valueForKey("imageOriginalSizeDescription").isValid());

    document.setOriginalImage(picture(40, 20));
    EXPECT_EQ(counter.count("imageOriginalSizeDescription"), 1);
    EXPECT_EQ(document.imageOriginalSizeDescription(),
              document.originalImage()->sizeInfoText(Dpi(254)));
    endEvent();
    document.setCanvas(model(alderName)->canvases().at(1));
    EXPECT_EQ(counter.count("imageOriginalSizeDescription"), 2);
    endEvent();
    EXPECT_EQ(document.undoManager()->undoActionName(),
              UndoActionName(Name::changingCanvas).displayedName());

    document.undoManager()->undo();
    document.undoManager()->undo();
    EXPECT_FALSE(document.originalImage());
    EXPECT_EQ(document.imageOriginalSizeDescription(), QString());
}

TEST_F(PropertiesTest, changesInsideANamedOuterStepKeepItsName) {
    PrintDocument document;
    platform::UndoManager& undo = *document.undoManager();
    document.performUndoGroup(Name::resettingImagePosition, [&] {
        document.setImageOffset_mm({1, 1});
        document.setImageOrientation(ImageRotation::r90);
    });
    endEvent();
    EXPECT_EQ(undo.undoActionName(), UndoActionName(Name::resettingImagePosition).displayedName());
    undo.undo();
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    EXPECT_EQ(document.imageOrientation(), ImageRotation::none);
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(PropertiesTest, withRegistrationOffSettersStillChangeAndNotify) {
    PrintDocument document;
    ChangeCounter counter(document, {"imageRepeatYCount", "imageOffset_mm"});
    document.undoManager()->disableUndoRegistration();
    document.setImageRepeatYCount(7);
    document.setImageOffset_mm({2, 2});
    document.undoManager()->enableUndoRegistration();
    endEvent();
    EXPECT_EQ(document.imageRepeatYCount(), 7);
    EXPECT_EQ(counter.total(), 2);
    EXPECT_FALSE(document.undoManager()->canUndo());

    document.setUndoManager(nullptr);
    document.setImageRepeatYCount(8);
    EXPECT_EQ(document.imageRepeatYCount(), 8);
    EXPECT_EQ(counter.total(), 3);
    EXPECT_FALSE(document.shouldRegisterUndo());
}

TEST_F(PropertiesTest, anAnchorTheModelDoesNotAllowIsRefused) {
    PrintDocument document;
    ChangeCounter counter(document, {"imageOffsetBase"});
    document.setImageOffsetBase(OffsetBase::top);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
    EXPECT_EQ(counter.total(), 0);

    const auto command = platform::ScriptCommand::make("set");
    command->execute([&] {
        document.setValueForKey("imageOffsetBase", "bottom");
        return QVariant();
    });
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
    EXPECT_EQ(command->scriptErrorNumber(),
              PrintDocument::ScriptErrorNumber_OffsetBase_NotSupported);
    EXPECT_EQ(command->scriptErrorString(),
              QStringLiteral("The machine does not support this offset base."));

    document.setDeviceDescriptor(nullptr);
    document.setImageOffsetBase(OffsetBase::topLeft);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
}

TEST_F(PropertiesTest, plainFacesIgnoreValuesThatNameNothing) {
    PrintDocument document;
    ChangeCounter counter(document, {"imageOrientation", "imageOffsetBase", "blackConversionType",
                                     "transportType", "imageSize_px"});
    document.setValueForKey("imageOrientation", 4);
    document.setValueForKey("imageOrientation", -1);
    document.setValueForKey("imageOffsetBase", "Center");
    document.setValueForKey("imageOffsetBaseFourCharCode", 7);
    document.setValueForKey("blackConversionType", "Halftone");
    document.setValueForKey("imageSize_px", "10x10");
    EXPECT_EQ(counter.total(), 0);

    const qint32 topLeftCode = *OffsetBase::topLeft.fourCharCode();
    document.setValueForKey("imageOffsetBaseFourCharCode", topLeftCode);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
    EXPECT_EQ(document.valueForKey("imageOffsetBaseFourCharCode").toInt(), topLeftCode);
    EXPECT_EQ(document.valueForKey("imageOffsetBase"), QStringLiteral("topLeft"));

    // A transport text that names nothing is no transport, which is a change.
    document.setValueForKey("transportType", "bluetooth");
    EXPECT_FALSE(document.transportType());
    EXPECT_FALSE(document.valueForKey("transportType").isValid());
    EXPECT_EQ(counter.count("transportType"), 1);
    document.setValueForKey("transportType", QVariant());
    EXPECT_EQ(counter.count("transportType"), 1);

    document.setImageSize_px({640, 480});
    EXPECT_EQ(document.valueForKey("imageSize_px"), QStringLiteral("640x480"));
    EXPECT_EQ(counter.count("imageSize_px"), 1);
    document.setValueForKey("imageOrientation", 1);
    EXPECT_EQ(document.valueForKey("imageSizeForDisplay_px"), QStringLiteral("480x640"));
}

// Faces written by bindings and scripts: a value of another kind, or a size
// no pixel count can hold, changes nothing; no value is the key's nil.
TEST_F(PropertiesTest, facesRefuseValuesTheyCannotHold) {
    PrintDocument document;
    document.setOriginalImage(picture(10, 10));
    document.setImageSize_px({40, 20});
    ChangeCounter counter(document, {"imageSize_px", "originalImage", "deviceDescriptor", "canvas",
                                     "currentDeviceSetting"});
    for (const QSizeF& size :
         {QSizeF(inf, 10), QSizeF(10, nan), QSizeF(1e300, 10), QSizeF(-1, 10)}) {
        document.setValueForKey("imageSizeForDisplay_px", size);
    }
    document.setValueForKey("originalImage", QSizeF(1, 1));
    document.setValueForKey("deviceDescriptor", alderName);
    document.setValueForKey("canvas", "A4");
    document.setValueForKey("currentDeviceSetting", 3);
    EXPECT_EQ(counter.total(), 0);
    EXPECT_EQ(document.imageSize_px(), (Size_px{40, 20}));
    EXPECT_TRUE(document.originalImage());
    EXPECT_TRUE(document.deviceDescriptor());
    EXPECT_TRUE(document.canvas());
    EXPECT_TRUE(document.currentDeviceSetting());

    document.setValueForKey("originalImage", QVariant());
    EXPECT_FALSE(document.originalImage());
    EXPECT_EQ(counter.count("originalImage"), 1);
}

} // namespace
