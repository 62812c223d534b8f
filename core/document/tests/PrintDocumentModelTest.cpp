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
    defaults().setString("LastModelName", betaName);
    remember(betaName, {{"speed", 7.0},
                        {"imageOffsetBase", "top"},
                        {"canvasIdentifier", "Wide"},
                        {"blackConversionType", "halftone"}});
    PrintDocument document;
    EXPECT_EQ(document.deviceDescriptor(), model(betaName));
    ASSERT_TRUE(document.currentDeviceSetting());
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 7.0);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::top);
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("Wide"));
    EXPECT_EQ(document.transportType(), TransportType::wifi);
    // Beta offers no halftone.
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
        EXPECT_EQ(document.deviceDescriptor(), model(alphaName));
        EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
        EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("A4"));
        EXPECT_EQ(document.transportType(), TransportType::usb);
        EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.mode"), QStringLiteral("fine"));
        // Creating a document is no choice of the user's.
        EXPECT_EQ(defaults().string("LastModelName"), QStringLiteral("Unknown"));
    }
    // Beta allows neither a remembered centre nor the centre by default.
    defaults().setString("LastModelName", betaName);
    remember(betaName, {{"imageOffsetBase", "center"}});
    PrintDocument document;
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
}

TEST_F(ModelTest, onAnUntouchedDocumentTheModelChangeIsNoStep) {
    remember(gammaName, {{"canvasIdentifier", "A3"}, {"imageOffsetBase", "topLeft"}});
    PrintDocument document;
    ChangeCounter counter(document, {"deviceDescriptor", "canvas", "imageOffsetBase"});
    document.setDeviceDescriptor(model(gammaName));
    endEvent();
    EXPECT_EQ(document.deviceDescriptor(), model(gammaName));
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("A3"));
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
    EXPECT_EQ(document.transportType(), TransportType::usb);
    EXPECT_EQ(defaults().string("LastModelName"), gammaName);
    EXPECT_EQ(counter.count("deviceDescriptor"), 1);
    EXPECT_EQ(counter.count("canvas"), 1);
}

TEST_F(ModelTest, onAnEditedDocumentTheModelChangeIsOneStepThatUndoesEverything) {
    remember(betaName, {{"imageOffsetBase", "top"}});
    PrintDocument document;
    document.setBlackConversionType(BlackConversionType::halftone);
    document.setTransportType(TransportType::usb);
    document.setValueForKeyPath("currentDeviceSetting.speed", 9);
    edit(document);
    const auto setting = document.currentDeviceSetting();
    const auto canvas = document.canvas();

    document.setDeviceDescriptor(model(betaName));
    endEvent();
    platform::UndoManager& undo = *document.undoManager();
    EXPECT_EQ(undo.undoActionName(),
              UndoActionName(UndoActionName::Case::changingPrinterModel).displayedName());
    // Beta has a canvas of A4's size but not A4 itself, and no centre.
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("Wide"));
    EXPECT_EQ(document.transportType(), TransportType::usb);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::top);
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::threshold);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    EXPECT_EQ(document.valueForKeyPath("currentDeviceSetting.speed").toDouble(), 4.0);
    EXPECT_EQ(defaults().string("LastModelName"), betaName);

    defaults().setString("LastModelName", "untouched");
    undo.undo();
    EXPECT_EQ(document.deviceDescriptor(), model(alphaName));
    EXPECT_EQ(document.currentDeviceSetting(), setting);
    EXPECT_EQ(document.canvas(), canvas);
    EXPECT_EQ(document.transportType(), TransportType::usb);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::center);
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::halftone);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{4, 4}));
    EXPECT_EQ(defaults().string("LastModelName"), QStringLiteral("untouched"));

    // The redo restores Beta's anchor, which Alpha does not allow, before
    // it restores Beta itself.
    undo.redo();
    EXPECT_EQ(document.deviceDescriptor(), model(betaName));
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
    document.setDeviceDescriptor(model(gammaName));
    // Gamma has an equal A4 and allows topLeft.
    EXPECT_EQ(document.canvas(), canvas);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);

    // Beta lists only wifi; the transport stays all the same.
    document.setDeviceDescriptor(model(betaName));
    EXPECT_EQ(document.transportType(), TransportType::usb);
}

TEST_F(ModelTest, rememberedChoicesTheModelLacksFallBack) {
    // A remembered canvas Beta does not have: the one of the current size.
    remember(betaName, {{"canvasIdentifier", "A4"}, {"blackConversionType", "halftone"}});
    PrintDocument document;
    document.setDeviceDescriptor(model(betaName));
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("Wide"));
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::threshold);
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
    // From B5... no canvas of Gamma has its size: Gamma's first canvas.
    document.setCanvas(model(betaName)->canvases().first());
    endEvent();
    document.undoManager()->removeAllActions();
    document.markSaved();
    document.setDeviceDescriptor(model(gammaName));
    EXPECT_EQ(document.canvas()->identifier(), QStringLiteral("A3"));
}

TEST_F(ModelTest, scriptedAndNilModelChangesAreNotRemembered) {
    PrintDocument document;
    const auto command = platform::ScriptCommand::make("modelName");
    command->execute([&] {
        document.setValueForKey("deviceDescriptor", QVariant::fromValue(model(gammaName)));
        return QVariant();
    });
    EXPECT_EQ(document.deviceDescriptor(), model(gammaName));
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
    EXPECT_EQ(document.deviceDescriptor(), model(gammaName));
}

TEST_F(ModelTest, anUntouchedDocumentDropsItsRedoStepsOnAModelChange) {
    PrintDocument document;
    edit(document);
    document.undoManager()->undo();
    ASSERT_TRUE(document.undoManager()->canRedo());
    document.setDeviceDescriptor(model(gammaName));
    EXPECT_FALSE(document.undoManager()->canRedo());
    EXPECT_FALSE(document.undoManager()->canUndo());
}

} // namespace
