#include "core/document/tests/DocumentTestSupport.h"
#include "core/document/tests/WindowPresenterStub.h"

#include "core/document/application/DocumentActions.h"
#include "core/document/application/ImageImport.h"
#include "platform/tests/support/TestPictures.h"

#include <QMimeData>

using namespace ambrel;
using namespace documenttest;
using kestrom::DocumentActions;
using kestrom::ImageImport;
using kestrom::PrintDocument;
using kestrom::UndoActionName;
using Action = DocumentActions::Action;

namespace {

// Alder, 254 dpi: 10 px per millimetre; canvas A4, 297 x 210 mm.
class ActionsTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        m_documentOwner = std::make_unique<PrintDocument>();
        m_import = std::make_unique<ImageImport>(*m_documentOwner, m_window);
        m_actions = std::make_unique<DocumentActions>(*m_documentOwner, *m_import, m_window);
        ASSERT_EQ(document().deviceDescriptor(), model(alderName));
    }

    PrintDocument& document() { return *m_documentOwner; }
    DocumentActions& actions() { return *m_actions; }

    std::shared_ptr<WindowPresenterStub> m_window = std::make_shared<WindowPresenterStub>();
    std::unique_ptr<PrintDocument> m_documentOwner;
    std::unique_ptr<ImageImport> m_import;
    std::unique_ptr<DocumentActions> m_actions;
};

OriginalImage::Pointer page(double width_mm, double height_mm) {
    const double pt = 72.0 / 25.4;
    return OriginalImage::fromData(
        testpictures::pdf({QRectF(0, 0, width_mm * pt, height_mm * pt), {}, 0, ""}),
        QUrl::fromLocalFile("/pictures/page.pdf"));
}

TEST_F(ActionsTest, itemsAreEnabledByThePictureAndItsPlacement) {
    for (const Action action :
         {Action::resetImageRepeatCount, Action::rotateRight, Action::rotateLeft,
          Action::resetPosition, Action::resizeImageScaleToFit, Action::printDocument}) {
        EXPECT_FALSE(actions().validate(action).enabled) << int(action);
    }
    EXPECT_FALSE(actions().validate(Action::none).enabled);
    EXPECT_TRUE(actions().validate(Action::chooseImage).enabled);
    EXPECT_TRUE(actions().validate(Action::other).enabled);

    document().setOriginalImage(picture(40, 20));
    EXPECT_TRUE(actions().validate(Action::rotateLeft).enabled);
    EXPECT_TRUE(actions().validate(Action::resizeImageScaleToFit).enabled);
    EXPECT_FALSE(actions().validate(Action::resetImageRepeatCount).enabled);
    document().setImageRepeatYCount(2);
    EXPECT_TRUE(actions().validate(Action::resetImageRepeatCount).enabled);
    EXPECT_FALSE(actions().validate(Action::resetPosition).enabled);
    document().setImageOffset_mm({0, 0.1});
    EXPECT_TRUE(actions().validate(Action::resetPosition).enabled);
}

TEST_F(ActionsTest, theSizeItemIsNamedAfterThePicturesKind) {
    auto state = actions().validate(Action::resizeImageToActualSize);
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(state.title, "&Actual Size");
    document().setOriginalImage(picture(40, 20));
    state = actions().validate(Action::resizeImageToActualSize);
    EXPECT_TRUE(state.enabled);
    EXPECT_EQ(state.title, "&Dot by Dot");
    document().setOriginalImage(page(100, 50));
    EXPECT_EQ(actions().validate(Action::resizeImageToActualSize).title, "&Actual Size");
}

TEST_F(ActionsTest, printWaitsForABusyMaintenanceAndCarriesTheModelsTitle) {
    auto state = actions().validate(Action::printDocument);
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(state.title, model(alderName)->printMenuItemTitle());
    document().setOriginalImage(picture(40, 20));
    EXPECT_TRUE(actions().validate(Action::printDocument).enabled);
    m_window->busyMaintenance = true;
    state = actions().validate(Action::printDocument);
    EXPECT_FALSE(state.enabled);
    EXPECT_FALSE(state.title) << "the title is left as it was";
}

TEST_F(ActionsTest, pasteFollowsTheClipboard) {
    EXPECT_FALSE(actions().validate(Action::paste).enabled);
    m_window->clipboard = std::make_unique<QMimeData>();
    m_window->clipboard->setText("words");
    EXPECT_FALSE(actions().validate(Action::paste).enabled);
    actions().perform(Action::paste);
    EXPECT_EQ(m_import->pendingCount(), 0);
    m_window->clipboard->setData(
        "image/png",
        testpictures::encode(testpictures::filled(4, 4, QImage::Format_RGB32, 0), "png"));
    EXPECT_TRUE(actions().validate(Action::paste).enabled);
}

TEST_F(ActionsTest, choicesAreCheckedByTheDocumentsState) {
    EXPECT_TRUE(
        actions()
            .validate(Action::changeImageOffsetBase, QVariant::fromValue(OffsetBase::center))
            .checked);
    EXPECT_FALSE(
        actions()
            .validate(Action::changeImageOffsetBase, QVariant::fromValue(OffsetBase::topLeft))
            .checked);
    actions().perform(Action::changeImageOffsetBase, QVariant::fromValue(OffsetBase::topLeft));
    EXPECT_TRUE(
        actions()
            .validate(Action::changeImageOffsetBase, QVariant::fromValue(OffsetBase::topLeft))
            .checked);

    EXPECT_TRUE(actions().validate(Action::changeCanvas, "A4").checked);
    actions().perform(Action::changeCanvas, "A3");
    EXPECT_EQ(document().canvas()->identifier(), "A3");
    EXPECT_TRUE(actions().validate(Action::changeCanvas, "A3").checked);
    EXPECT_FALSE(actions().validate(Action::changeCanvas, "A4").checked);

    actions().perform(Action::changeTransportType, QVariant::fromValue(TransportType::wifi));
    EXPECT_TRUE(actions()
                    .validate(Action::changeTransportType, QVariant::fromValue(TransportType::wifi))
                    .checked);
    actions().perform(Action::changeBlackConversionType,
                      QVariant::fromValue(BlackConversionType::halftone));
    EXPECT_TRUE(actions()
                    .validate(Action::changeBlackConversionType,
                              QVariant::fromValue(BlackConversionType::halftone))
                    .checked);
    EXPECT_FALSE(actions()
                     .validate(Action::changeBlackConversionType,
                               QVariant::fromValue(BlackConversionType::threshold))
                     .checked);
}

TEST_F(ActionsTest, aRasterPictureIsFittedOnlyWellBeyondTheCanvas) {
    // 110 % of the canvas width stays at actual size.
    document().setOriginalImage(picture(3267, 100));
    document().setImageOffset_mm({4, 4});
    DocumentActions::resizeImageScaleToFitOrActualSizeIfTooLarge(document());
    EXPECT_EQ(document().imageSize_px(), (Size_px{3267, 100}));
    EXPECT_EQ(document().imageOffset_mm(), (Point_mm{4, 4}));

    // 130 % is fitted and its offset cleared.
    document().setOriginalImage(picture(3861, 100));
    DocumentActions::resizeImageScaleToFitOrActualSizeIfTooLarge(document());
    EXPECT_EQ(document().imageSize_px().width, 2970);
    EXPECT_EQ(document().imageOffset_mm(), (Point_mm{0, 0}));

    // A page is fitted as soon as it is larger than the canvas.
    document().setOriginalImage(page(300, 100));
    document().setImageOffset_mm({4, 4});
    DocumentActions::resizeImageScaleToFitOrActualSizeIfTooLarge(document());
    EXPECT_EQ(document().imageSize_px().width, 2970);
    EXPECT_EQ(document().imageOffset_mm(), (Point_mm{0, 0}));

    // The repeats count: two copies of a page that fits once do not.
    document().setOriginalImage(page(200, 100));
    document().setImageRepeatXCount(2);
    DocumentActions::resizeImageScaleToFitOrActualSizeIfTooLarge(document());
    EXPECT_LT(document().imageSize_px().width, 2000);

    // Without a canvas nothing happens.
    document().setCanvas(nullptr);
    document().setImageSize_px({5, 5});
    DocumentActions::resizeImageScaleToFitOrActualSizeIfTooLarge(document());
    DocumentActions::resizeImageScaleToFit(document());
    EXPECT_EQ(document().imageSize_px(), (Size_px{5, 5}));
    DocumentActions::resizeImageToActualSize(document());
    EXPECT_EQ(document().imageSize_px(), (Size_px{2000, 1000}));
}

TEST_F(ActionsTest, eachQuarterTurnIsAStepOfItsOwn) {
    actions().perform(Action::rotateRight);
    EXPECT_EQ(document().imageOrientation(), ImageRotation::none) << "no picture, no turn";
    document().setOriginalImage(picture(40, 20));
    endEvent();
    document().undoManager()->removeAllActions();
    for (int i = 0; i < 4; ++i) {
        actions().perform(Action::rotateRight);
        endEvent();
    }
    EXPECT_EQ(document().imageOrientation(), ImageRotation::none);
    EXPECT_EQ(document().undoManager()->undoActionName(),
              UndoActionName("rotatingImage").displayedName());
    document().undoManager()->undo();
    EXPECT_EQ(document().imageOrientation(), ImageRotation::r270);
    actions().perform(Action::rotateLeft);
    EXPECT_EQ(document().imageOrientation(), ImageRotation::r180);
}

TEST_F(ActionsTest, mirrorTogglesUnderItsCheckAndTheConversionResetKeepsTheOtherType) {
    EXPECT_FALSE(actions().validate(Action::flipImageHorizontally).enabled);
    actions().perform(Action::flipImageHorizontally);
    EXPECT_FALSE(document().flipsImageHorizontal()) << "no picture, no mirror";
    document().setOriginalImage(picture(40, 20));
    EXPECT_FALSE(actions().validate(Action::flipImageHorizontally).checked);
    actions().perform(Action::flipImageHorizontally);
    EXPECT_TRUE(document().flipsImageHorizontal());
    const auto mirrored = actions().validate(Action::flipImageHorizontally);
    EXPECT_TRUE(mirrored.enabled);
    EXPECT_TRUE(mirrored.checked);
    actions().perform(Action::flipImageHorizontally);
    EXPECT_FALSE(document().flipsImageHorizontal());

    document().setValueForKeyPath("blackConversionOptions.threshold.threshold", 0.9);
    document().setValueForKeyPath("blackConversionOptions.halftone.brightnessFactor", 0.4);
    endEvent();
    EXPECT_TRUE(actions().validate(Action::resetBlackConversionProperties).enabled);
    actions().perform(Action::resetBlackConversionProperties);
    EXPECT_EQ(document().blackConversionOptions().threshold().rawValue().threshold, 0.5);
    EXPECT_EQ(
        document().blackConversionOptions().halftone().valueForKey("brightnessFactor").toDouble(),
        0.4);
    EXPECT_EQ(document().undoManager()->undoActionName(),
              UndoActionName(UndoActionName::resettingBitmapConversionProperties).displayedName());
}

TEST_F(ActionsTest, chooseOpensThePanelAtThePicturesFile) {
    document().setOriginalImage(OriginalImage::fromData(
        testpictures::encode(testpictures::filled(4, 4, QImage::Format_RGB32, 0), "png"),
        QUrl::fromLocalFile(m_folder.filePath("missing/picture.png"))));
    qputenv("TMPDIR", "/nonexistent-temporary-folder");
    actions().perform(Action::chooseImage);
    ASSERT_EQ(m_window->panels.size(), 1u);
    EXPECT_EQ(m_window->panels[0].startLocation, m_folder.path());
}

} // namespace
