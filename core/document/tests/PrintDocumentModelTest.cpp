#include "core/document/tests/DocumentTestSupport.h"

#include "platform/ScriptCommand.h"
#include "platform/UserDefaults.h"

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;
using kestrom::UndoActionName;

namespace {

using ModelTest = DocumentTest;

platform::UserDefaults& defaults() {
    return platform::UserDefaults::standard();
}

void remember(const QString& modelName, const QVariantMap& setting) {
    QVariantMap all = defaults().dictionary("LastDeviceSettings");
    all.insert(modelName, setting);
    defaults().setObject("LastDeviceSettings", all);
}

// Moves the picture, so the document is edited and has an undo step.
void edit(PrintDocument& document) {
    document.setImageOffset_mm({4, 4});
    endEvent();
    ASSERT_TRUE(document.isDocumentEdited());
}

TEST_F(ModelTest, aNewDocumentTakesTheLastModelWithItsRememberedSettings) {
    defaults().setString("LastModelName", birchName);
    remember(birchName, {{"speed", 7.0},
                         {"imageOffsetBase", "top"},
                         {"canvasIdentifier", "Wide"},
                         {"blackConversionType", "halftone"}});
    PrintDocument document;
    EXPECT_EQ(document.deviceDescriptor(), model(birchName));
    ASSERT_TRUE(document.currentDeviceSetting());
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 7.0);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::top);
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("Wide"));
    EXPECT_EQ(document.transportType(), TransportType::wifi);
    // Birch offers no halftone.
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::threshold);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_TRUE(document.undoManager()->isUndoRegistrationEnabled());
    EXPECT_TRUE(document.undoManager()->groupsByEvent());
}

TEST_F(ModelTest, aNewDocumentFallsBackToTheFirstModelAndAnAllowedAnchor) {
    defaults().setString("LastModelName", "Unknown");
    {
        PrintDocument document;
        EXPECT_EQ(document.deviceDescriptor(), model(alderName));
        EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
        EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("A4"));
        EXPECT_EQ(document.transportType(), TransportType::usb);
        EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.mode"), QStringLiteral("fine"));
        // Creating a document is no choice of the user's.
        EXPECT_EQ(defaults().string("LastModelName"), QStringLiteral("Unknown"));
    }
    // Birch allows neither a remembered centre nor the centre by default.
    defaults().setString("LastModelName", birchName);
    remember(birchName, {{"imageOffsetBase", "center"}});
    PrintDocument document;
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
}

TEST_F(ModelTest, onAnUntouchedDocumentTheModelChangeIsNoStep) {
    remember(cedarName, {{"canvasIdentifier", "A3"}, {"imageOffsetBase", "topLeft"}});
    PrintDocument document;
    ChangeCounter counter(document, {"deviceDescriptor", "canvas", "imageOffsetBase"});
    document.setDeviceDescriptor(model(cedarName));
    endEvent();
    EXPECT_EQ(document.deviceDescriptor(), model(cedarName));
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("A3"));
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
    EXPECT_EQ(document.transportType(), TransportType::usb);
    EXPECT_EQ(defaults().string("LastModelName"), cedarName);
    EXPECT_EQ(counter.count("deviceDescriptor"), 1);
    EXPECT_EQ(counter.count("canvas"), 1);
}

TEST_F(ModelTest, onAnEditedDocumentTheModelChangeIsOneStepThatUndoesEverything) {
    remember(birchName, {{"imageOffsetBase", "top"}});
    PrintDocument document;
    document.setBlackConversionType(BlackConversionType::halftone);
    document.setTransportType(TransportType::usb);
    document.setValueForKeyPath("currentDeviceSetting.speed", 9);
    edit(document);
    const auto setting = document.currentDeviceSetting();
    const auto canvas = document.canvas();

    document.setDeviceDescriptor(model(birchName));
    endEvent();
    platform::UndoManager& undo = *document.undoManager();
    EXPECT_EQ(undo.undoActionName(),
              UndoActionName(UndoActionName::changingPrinterModel).displayedName());
    // Birch has a canvas of A4's size but not A4 itself, and no centre.
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("Wide"));
    EXPECT_EQ(document.transportType(), TransportType::usb);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::top);
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::threshold);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 4.0);
    EXPECT_EQ(defaults().string("LastModelName"), birchName);

    defaults().setString("LastModelName", "untouched");
    undo.undo();
    EXPECT_EQ(document.deviceDescriptor(), model(alderName));
    EXPECT_EQ(document.currentDeviceSetting(), setting);
    EXPECT_EQ(document.canvas(), canvas);
    EXPECT_EQ(document.transportType(), TransportType::usb);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::halftone);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{4, 4}));
    EXPECT_EQ(defaults().string("LastModelName"), QStringLiteral("untouched"));

    // The redo restores Birch's anchor, which Alder does not allow, before
    // it restores Birch itself.
    undo.redo();
    EXPECT_EQ(document.deviceDescriptor(), model(birchName));
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("Wide"));
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::top);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    EXPECT_EQ(defaults().string("LastModelName"), QStringLiteral("untouched"));
}

TEST_F(ModelTest, anEditedDocumentKeepsWhatTheNewModelOffers) {
    PrintDocument document;
    document.setImageOffsetBase(OffsetBase::topLeft);
    edit(document);
    const auto canvas = document.canvas();
    document.setDeviceDescriptor(model(cedarName));
    // Cedar has an equal A4 and allows topLeft.
    EXPECT_EQ(document.canvas(), canvas);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);

    // Birch lists only wifi; the transport stays all the same.
    document.setDeviceDescriptor(model(birchName));
    EXPECT_EQ(document.transportType(), TransportType::usb);
}

TEST_F(ModelTest, rememberedChoicesTheModelLacksFallBack) {
    // A remembered canvas Birch does not have: the one of the current size.
    remember(birchName, {{"canvasIdentifier", "A4"}, {"blackConversionType", "halftone"}});
    PrintDocument document;
    document.setDeviceDescriptor(model(birchName));
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("Wide"));
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::threshold);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
    // No canvas of Cedar has the size of B5: Cedar's first canvas is taken.
    document.setCanvas(model(birchName)->canvases().first());
    endEvent();
    document.undoManager()->removeAllActions();
    document.markSaved();
    document.setDeviceDescriptor(model(cedarName));
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("A3"));
}

TEST_F(ModelTest, scriptedAndNilModelChangesAreNotRemembered) {
    PrintDocument document;
    const auto command = platform::ScriptCommand::make("modelName");
    command->execute([&] {
        document.setValueForKey("deviceDescriptor", QVariant::fromValue(model(cedarName)));
        return QVariant();
    });
    EXPECT_EQ(document.deviceDescriptor(), model(cedarName));
    EXPECT_FALSE(defaults().contains("LastModelName"));

    edit(document);
    const auto canvas = document.canvas();
    document.setDeviceDescriptor(nullptr);
    EXPECT_FALSE(document.deviceDescriptor());
    EXPECT_FALSE(document.valueForKey("deviceDescriptor").isValid());
    EXPECT_EQ(document.canvas(), canvas);
    EXPECT_EQ(document.imageSizeForDisplay_mm(), (Size_mm{0, 0}));
    endEvent();
    document.undoManager()->undo();
    EXPECT_EQ(document.deviceDescriptor(), model(cedarName));
}

TEST_F(ModelTest, anUntouchedDocumentDropsItsRedoStepsOnAModelChange) {
    PrintDocument document;
    edit(document);
    document.undoManager()->undo();
    ASSERT_TRUE(document.undoManager()->canRedo());
    document.setDeviceDescriptor(model(cedarName));
    EXPECT_FALSE(document.undoManager()->canRedo());
    EXPECT_FALSE(document.undoManager()->canUndo());
}

} // namespace
