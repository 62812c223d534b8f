#include "CanvasTestSupport.h"

#include "core/canvas/GridViewChangeAnimator.h"
#include "core/canvas/GridViewContainerView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewOverflownAreaView.h"
#include "core/canvas/GridViewRepeatView.h"
#include "core/document/application/ImageImport.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/tests/DocumentTestSupport.h"
#include "core/document/tests/WindowPresenterStub.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/connections/DeviceConnection.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <gtest/gtest.h>

#include <memory>

using namespace kestrom;
using namespace kestrom::testing;
using ambrel::OffsetBase;
using ambrel::Point_mm;
using documenttest::WindowPresenterStub;

namespace {

// A document window's canvas, 1100 x 700, over a saved print document of the
// model "Alder" (an A4 canvas of 297 x 210 mm), opened again: a 60 x 40 mm
// picture at (10, 20) mm from the top left.
class GridViewControllerTest : public documenttest::DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        {
            PrintDocument saved;
            saved.setDeviceDescriptor(documenttest::model(documenttest::alderName));
            saved.setOriginalImage(documenttest::picture(600, 400));
            saved.setImageOffsetBase(OffsetBase::topLeft);
            saved.setImageSizeForDisplay_mm({60, 40});
            saved.setImageOffset_mm({10, 20});
            documenttest::endEvent();
            DocumentPackage::write(saved, QDir(m_folder.path()).filePath("Job.lunvik"));
        }
        document = std::make_unique<PrintDocument>();
        DocumentPackage::read(*document, QDir(m_folder.path()).filePath("Job.lunvik"));
        documenttest::endEvent();
        ASSERT_TRUE(document->originalImage());
        ASSERT_EQ(document->imageOffset_mm(), (Point_mm{10, 20}));
        import = std::make_unique<ImageImport>(*document, presenter);
        // The test models' plug-in makes no connections: a plain one, which
        // offers no splitting.
        document->setSplittingConnectionMaker(
            [](const auto& descriptor, ambrel::TransportType transport) {
                return std::make_shared<ambrel::DeviceConnection>(descriptor, transport);
            });
        controller.setDocument(document.get());
        controller.setImageImport(import.get());
        container()->resize(1100, 700);
        container()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(container()));
        grid()->layoutSubtreeIfNeeded();
        startCount = document->undoManager()->changeCount();
    }

    GridViewContainerView* container() const { return controller.view(); }
    GridView* grid() const { return controller.gridView(); }
    // A point of the canvas, in millimetres from its top left, in the canvas
    // view's viewport.
    QPoint at_mm(double x, double y) const {
        const double k = grid()->canvasRect().width() / 297.0;
        return grid()->viewportPoint(QPointF(x * k, y * k));
    }
    bool sendKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(container(), &event);
        return event.isAccepted();
    }

    std::unique_ptr<PrintDocument> document;
    std::shared_ptr<WindowPresenterStub> presenter = std::make_shared<WindowPresenterStub>();
    std::unique_ptr<ImageImport> import;
    GridViewController controller;
    qint64 startCount = 0;
};

} // namespace

TEST_F(GridViewControllerTest, theCanvasFollowsTheDocumentAtItsProportions) {
    EXPECT_EQ(grid()->originalImage(), document->originalImage());
    EXPECT_EQ(grid()->printableSize_mm(), (ambrel::Size_mm{297, 210}));
    const QRectF canvas = grid()->canvasRect();
    EXPECT_NEAR(canvas.width() / canvas.height(), 297.0 / 210.0, 0.01);
    // Inside the margins: 8 at the sides, 16 below, nothing above.
    EXPECT_GE(canvas.left(), 8);
    EXPECT_LE(canvas.bottom(), 700 - 16 + 1);
    EXPECT_EQ(controller.gridViewWidthPerHeight(), 297.0 / 210.0);
    EXPECT_TRUE(grid()->isCanvasEnabled());
    document->setInViewingMode(true);
    EXPECT_FALSE(grid()->isCanvasEnabled());
    // The preview converts with the model's own information, as the print.
    const auto info = document->deviceDescriptor()
                          ->additionalInfos()
                          .valueOrDefault<quenta::DeviceBlackConversionInfo>();
    EXPECT_EQ(grid()->imageView()->deviceBlackConversionInfo(), info);
    document->setFlipsImageHorizontal(true);
    EXPECT_TRUE(grid()->flipsImage());
    // A dark window: the canvas stays light, the tint beyond it turns dark.
    QPalette dark = container()->palette();
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    container()->setPalette(dark);
    QApplication::processEvents();
    EXPECT_GT(grid()->palette().color(QPalette::Window).lightness(), 200);
    EXPECT_TRUE(grid()->overflownAreaView()->isDark());
    controller.setDocument(nullptr);
    EXPECT_EQ(grid()->originalImage(), nullptr);
    EXPECT_FALSE(grid()->imageView()->deviceBlackConversionInfo());
}

TEST_F(GridViewControllerTest, aDragOfTheBodyInFortyStepsIsOneUndoStep) {
    ::testing::internal::CaptureStderr();
    dragThrough(grid()->viewport(), at_mm(40, 40), at_mm(55, 30), 40);
    documenttest::endEvent();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("ndo group"), std::string::npos) << said;
    const Point_mm moved = document->imageOffset_mm();
    EXPECT_NEAR(moved.x, 25, 0.5);
    EXPECT_NEAR(moved.y, 10, 0.5);
    EXPECT_FALSE(controller.hasDragged());
    EXPECT_EQ(document->undoManager()->changeCount(), startCount + 1);
    document->undoManager()->undo();
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{10, 20}));
    EXPECT_EQ(grid()->imageOffset_mm(), (Point_mm{10, 20}));
}

TEST_F(GridViewControllerTest, aDroppedPngFileIsLoaded) {
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    const QString file = QDir(m_folder.path()).filePath(QStringLiteral("dropped.png"));
    ASSERT_TRUE(image.save(file));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const auto before = document->originalImage();

    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(container(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(container(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(waitUntil([&] { return document->originalImage() != before; }));
    EXPECT_EQ(document->originalImage()->widthPerHeight(), 3.0);
    EXPECT_EQ(grid()->originalImage(), document->originalImage());

    // Data without a picture is refused.
    QMimeData text;
    text.setText(QStringLiteral("no picture"));
    QDragEnterEvent refused(QPoint(20, 20), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(container(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(GridViewControllerTest, arrowKeysNudgeAwayFromTheAnchor) {
    // The canvas view's anchor decides; the model offers no top right, so the
    // canvas view is given it directly.
    document->setImageOffset_mm({10, 10});
    grid()->setImageOffsetBase(QStringLiteral("topRight"));
    EXPECT_TRUE(sendKey(Qt::Key_Left, Qt::ShiftModifier));
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{15, 10}));
    document->setImageOffset_mm({10, 10});
    sendKey(Qt::Key_Up);
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{10, 9}));
    EXPECT_TRUE(grid()->showsOffsetLines());

    // Keys reach the controller through the canvas view that has the focus.
    document->setImageOffset_mm({10, 10});
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Right);
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{9, 10}));

    document->setImageOffsetBase(OffsetBase::bottomRight);
    document->setImageOffset_mm({0, 3});
    sendKey(Qt::Key_Down);
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{0, 2}));
    sendKey(Qt::Key_Right);
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{-1, 2}));
}

TEST_F(GridViewControllerTest, escapeOnlyWhileSelectedAndDeleteRemovesThePicture) {
    EXPECT_FALSE(controller.respondsToCancelOperation());
    EXPECT_FALSE(sendKey(Qt::Key_Escape)); // left to the next responder
    const QPoint inside = at_mm(40, 40);
    sendMouse(grid()->viewport(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    sendMouse(grid()->viewport(), QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(grid()->imageSelectionView()->isSelected());
    EXPECT_TRUE(sendKey(Qt::Key_Escape));
    EXPECT_FALSE(grid()->imageSelectionView()->isSelected());

    EXPECT_TRUE(sendKey(Qt::Key_Backspace));
    documenttest::endEvent();
    EXPECT_EQ(document->originalImage(), nullptr);
    EXPECT_EQ(grid()->originalImage(), nullptr);
    document->undoManager()->undo();
    EXPECT_NE(document->originalImage(), nullptr);
    // Again with no picture: nothing to remove, no failure.
    document->setOriginalImage(nullptr);
    EXPECT_TRUE(sendKey(Qt::Key_Delete));
}

TEST_F(GridViewControllerTest, aRepeatCountChangeAnimatesIntoTheImmediateFrames) {
    LiveAnimations live;
    GridViewChangeAnimator* animator = grid()->changeAnimator();
    const QRectF before = grid()->overflownAreaView()->frame();
    document->setImageRepeatXCount(3);
    grid()->layoutSubtreeIfNeeded();
    ASSERT_TRUE(animator->isAnimating());
    EXPECT_EQ(grid()->overflownAreaView()->frame(), before); // it grows from here
    ASSERT_TRUE(waitUntil([&] { return !animator->isAnimating(); }));
    const GridViewLayout::Result& r = grid()->lastLayout();
    EXPECT_EQ(grid()->overflownAreaView()->frame(), r.allImageRect_pt);
    EXPECT_EQ(grid()->repeatView()->placement().stepX, r.copyStepX);
    EXPECT_EQ(grid()->repeatView()->placement().countX, 3);
    EXPECT_EQ(grid()->imageView()->frame(), r.imageFrame.translated(r.repeatStripRect.topLeft()));
    EXPECT_GT(r.allImageRect_pt.width(), before.width() * 2);

    // From 3 to 4 copies the tint and the frame jump; the copies still move.
    document->setImageRepeatXCount(4);
    grid()->layoutSubtreeIfNeeded();
    EXPECT_EQ(grid()->overflownAreaView()->frame(), grid()->lastLayout().allImageRect_pt);
    ASSERT_TRUE(waitUntil([&] { return !animator->isAnimating(); }));
    EXPECT_EQ(grid()->repeatView()->placement().countX, 4);
}

// The fade-in of a dropped picture changes what is drawn, never what takes
// input: a press 50 ms after the picture lands selects it.
TEST_F(GridViewControllerTest, aPressJustAfterADropSelectsThePicture) {
    LiveAnimations live;
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    const QString file = QDir(m_folder.path()).filePath(QStringLiteral("dropped.png"));
    ASSERT_TRUE(image.save(file));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const auto before = document->originalImage();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(container(), &enter);
    QCoreApplication::processEvents();
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(container(), &drop);
    ASSERT_TRUE(waitUntil([&] { return grid()->originalImage() != before; }));
    grid()->layoutSubtreeIfNeeded();
    auto* selection = grid()->imageSelectionView();
    EXPECT_FALSE(selection->isSelected());
    QTest::qWait(50);
    ASSERT_LT(selection->effectiveAlphaValue(), 1.0); // still fading in
    const QPoint p = grid()->viewportPoint(grid()->imageView()->sceneBoundingRect().center());
    sendMouse(grid()->viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    sendMouse(grid()->viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(selection->isSelected());
}

TEST_F(GridViewControllerTest, aNewOrMirroredPictureAppearsAnimatedUnlessTheCanvasIsDisabled) {
    LiveAnimations live;
    GridViewImageView* image = grid()->imageView();
    document->setFlipsImageHorizontal(true);
    grid()->layoutSubtreeIfNeeded();
    EXPECT_LT(image->alphaValue(), 1.0); // fading in
    ASSERT_TRUE(waitUntil([&] { return image->alphaValue() == 1.0; }));

    document->setOriginalImage(documenttest::picture(300, 300));
    grid()->layoutSubtreeIfNeeded();
    EXPECT_GT(image->scale(), 1.0); // bouncing in
    ASSERT_TRUE(waitUntil([&] { return image->scale() == 1.0 && image->alphaValue() == 1.0; }));

    document->setInViewingMode(true);
    document->setOriginalImage(documenttest::picture(400, 300));
    grid()->layoutSubtreeIfNeeded();
    EXPECT_EQ(image->scale(), 1.0);
    EXPECT_EQ(image->alphaValue(), 1.0);
    EXPECT_EQ(image->frame(), grid()->lastLayout().imageFrame.translated(
                                  grid()->lastLayout().repeatStripRect.topLeft()));
}

TEST(GridViewChangeAnimatorRules, areaAndTurnsFromTheRecordedChanges) {
    GridViewChangeRecord changes;
    EXPECT_TRUE(GridViewChangeAnimator::areaFlag(changes));
    EXPECT_EQ(GridViewChangeAnimator::quarterTurns(changes), 0);
    changes.record(GridViewChangedProperty::imageRepeatXCount, 2, 3);
    EXPECT_FALSE(GridViewChangeAnimator::areaFlag(changes));
    changes.record(GridViewChangedProperty::imageRepeatYCount, 1, 2);
    EXPECT_TRUE(GridViewChangeAnimator::areaFlag(changes));
    changes.clear();
    // None to r270 is one turn back, r270 to none one turn on.
    changes.record(GridViewChangedProperty::imageOrientation, 0, 3);
    EXPECT_EQ(GridViewChangeAnimator::quarterTurns(changes), -1);
    EXPECT_FALSE(GridViewChangeAnimator::areaFlag(changes));
    changes.clear();
    changes.record(GridViewChangedProperty::imageOrientation, 3, 0);
    EXPECT_EQ(GridViewChangeAnimator::quarterTurns(changes), 1);
    changes.clear();
    changes.record(GridViewChangedProperty::imageOrientation, 1, 3);
    EXPECT_EQ(GridViewChangeAnimator::quarterTurns(changes), 2);
    // Turned on and back before a pass: no turn.
    changes.clear();
    changes.record(GridViewChangedProperty::imageOrientation, 1, 2);
    changes.record(GridViewChangedProperty::imageOrientation, 2, 1);
    EXPECT_EQ(GridViewChangeAnimator::quarterTurns(changes), 0);
}

TEST_F(GridViewControllerTest, theLineAboveTheCanvasGrowsWithItsText) {
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    auto* label = new QLabel(QStringLiteral("A4"), line);
    layout->addWidget(label);
    auto* popUp = new QLabel(QStringLiteral("Screen"), line);
    popUp->hide();
    layout->addWidget(popUp);
    controller.setTopAccessoryView(line);
    QApplication::processEvents();
    const int narrow = line->width();

    label->setText(QStringLiteral("Printable area: 297 × 210 mm    600 dpi"));
    popUp->show();
    QApplication::processEvents();
    EXPECT_GT(line->width(), narrow);
    EXPECT_GE(line->width(), line->sizeHint().width());
    EXPECT_NEAR(line->geometry().center().x(), container()->width() / 2, 1);
    controller.setTopAccessoryView(nullptr);
    delete line;
}

TEST_F(GridViewControllerTest, thePreviewKnowsWhereThePrintLaysThePicturesDots) {
    const auto* imageView = grid()->imageView();
    ASSERT_TRUE(imageView->printGeometry());
    const auto expected = [&] {
        return PreviewGeometry::make(document->originalImageDrawingOptions(),
                                     document->canvas()->size_mm(),
                                     document->deviceDescriptor()->dpi());
    };
    EXPECT_EQ(imageView->printGeometry(), expected());
    EXPECT_GT(document->imageSize_px().width, 0);
    document->setImageSizeForDisplay_mm({30, 20});
    document->setImageOffset_mm({7, 3});
    documenttest::endEvent();
    ASSERT_TRUE(imageView->printGeometry());
    EXPECT_EQ(imageView->printGeometry(), expected());
    EXPECT_EQ(imageView->printGeometry()->placement.width, 300);
}
