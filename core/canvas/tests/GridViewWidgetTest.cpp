#include "CanvasTestSupport.h"

#include "core/canvas/GridViewChangeAnimator.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/canvas/GridViewOffsetLineTimer.h"
#include "core/canvas/GridViewOffsetLineView.h"
#include "core/canvas/GridViewOverflownAreaView.h"
#include "core/canvas/GridViewRepeatView.h"
#include "core/canvas/GridViewSelectionHandleView.h"
#include "core/canvas/GridViewSequenceView.h"

#include <QGraphicsScene>
#include <QPixmapCache>
#include <QSignalSpy>
#include <QVariantAnimation>
#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::testing;
using ambrel::OffsetBase;
using H = GridViewHandle;

namespace {

// A 300 x 200 mm canvas shown 600 x 400 points, 16 points in from the
// widget's corner: two points per millimetre.
class GridViewWidget : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(632, 432);
        view.setDelegate(&delegate);
        view.setPrintableSize_mm({300, 200});
        view.setCanvasEnabled(true);
        view.setImageIsResizable(true);
        view.setImageOffsetBase(QStringLiteral("topLeft"));
        view.setOriginalImage(makePicture(600, 400));
        view.setImageSizeForDisplay_mm({60, 40});
        view.setImageOffset_mm({10, 20});
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.layoutSubtreeIfNeeded();
    }

    // A point of the canvas in the widget, in millimetres from the top left.
    QPoint at_mm(double x, double y) const { return view.viewportPoint(QPointF(x * 2, y * 2)); }
    QPoint handleCentre(H handle) const {
        auto* selection = view.imageSelectionView();
        return view.viewportPoint(selection->mapToScene(selection->handleRect(handle).center()));
    }
    void hover(QPoint p) {
        sendMouse(view.viewport(), QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
    }
    void select() {
        const QPoint p = view.viewportPoint(view.imageView()->sceneBoundingRect().center());
        sendMouse(view.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        sendMouse(view.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        view.layoutSubtreeIfNeeded();
    }

    RecordingDelegate delegate;
    GridView view;
};

} // namespace

TEST_F(GridViewWidget, canvasSitsInTheWidgetAtThePrintableProportions) {
    EXPECT_EQ(view.canvasRect(), QRectF(16, 16, 600, 400));
    EXPECT_EQ(view.viewportPoint({0, 0}), QPoint(16, 16));
    EXPECT_TRUE(view.imageView()->isVisible());
    EXPECT_EQ(view.imageView()->sceneBoundingRect(), QRectF(20, 40, 120, 80));
    EXPECT_EQ(view.imageSelectionView()->frame(), QRectF(15, 35, 130, 90));
}

TEST_F(GridViewWidget, draggingTheBodyMovesTheOffsetInOneUndoStep) {
    dragThrough(view.viewport(), at_mm(40, 40), at_mm(55, 30), 40);
    EXPECT_EQ(view.imageOffset_mm(), (ambrel::Point_mm{25, 10}));
    EXPECT_EQ(delegate.begins, 1);
    EXPECT_EQ(delegate.ends, 1);
    EXPECT_EQ(delegate.offsetChanges, 40);
    EXPECT_EQ(delegate.undoSteps, 1);
    EXPECT_TRUE(view.imageSelectionView()->isSelected());
    // The lines showed during the drag and are gone after it.
    EXPECT_FALSE(view.showsOffsetLines());
    EXPECT_FALSE(view.xOffsetFitLineView()->isVisible());

    dragThrough(view.viewport(), at_mm(40, 20), at_mm(40, 60));
    EXPECT_EQ(view.imageOffset_mm(), (ambrel::Point_mm{25, 50})); // snapped onto 50 mm
    EXPECT_EQ(delegate.undoSteps, 2);
}

TEST_F(GridViewWidget, offsetLinesShowWhileDragging) {
    const QPoint start = at_mm(40, 40);
    sendMouse(view.viewport(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    sendMouse(view.viewport(), QEvent::MouseMove, at_mm(45, 40), Qt::NoButton, Qt::LeftButton);
    view.layoutSubtreeIfNeeded();
    EXPECT_TRUE(view.showsOffsetLines());
    EXPECT_TRUE(view.xOffsetFitLineView()->isVisible());
    EXPECT_EQ(view.xOffsetFitLineView()->color(), QColor(Qt::red)); // 15 mm, on the 5 mm grid
    EXPECT_EQ(view.yOffsetFitLineView()->color(), QColor(Qt::red));
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, at_mm(45, 40), Qt::LeftButton,
              Qt::NoButton);
    EXPECT_FALSE(view.xOffsetFitLineView()->isVisible());
}

TEST_F(GridViewWidget, shiftDragKeepsOneAxis) {
    dragThrough(view.viewport(), at_mm(40, 40), at_mm(70, 44), 10, Qt::ShiftModifier);
    EXPECT_EQ(view.imageOffset_mm(), (ambrel::Point_mm{40, 20}));
}

TEST_F(GridViewWidget, draggingAHandleResizesKeepingTheRatio) {
    select();
    ASSERT_TRUE(view.imageSelectionView()->activeHandles().contains(H::bottomRight));
    const QPoint corner = handleCentre(H::bottomRight);
    dragThrough(view.viewport(), corner, corner + QPoint(60, 60));
    // The pointer ends 30 mm right and down of the corner at (70, 60) mm.
    EXPECT_EQ(delegate.lastMaxSize, (ambrel::Size_mm{90, 70}));
    EXPECT_DOUBLE_EQ(view.imageSizeForDisplay_mm().width, 90);
    EXPECT_DOUBLE_EQ(view.imageSizeForDisplay_mm().height, 60);
    EXPECT_EQ(delegate.undoSteps, 1);
    EXPECT_EQ(view.imageOffset_mm(), (ambrel::Point_mm{10, 20}));
    EXPECT_FALSE(view.imageView()->isTrackingResizeHandle());
}

TEST_F(GridViewWidget, cursorChangesOverEachHandle) {
    view.setImageOffsetBase(QStringLiteral("center"));
    view.setImageOffset_mm({0, 0});
    view.layoutSubtreeIfNeeded();
    hover(view.viewportPoint({300, 200}));
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
    select();
    const QPoint inside = view.viewportPoint({300, 200});
    hover(inside);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::OpenHandCursor);
    const std::pair<H, Qt::CursorShape> expected[] = {
        {H::topLeft, Qt::SizeFDiagCursor},   {H::bottomRight, Qt::SizeFDiagCursor},
        {H::topRight, Qt::SizeBDiagCursor},  {H::bottomLeft, Qt::SizeBDiagCursor},
        {H::middleRight, Qt::SizeHorCursor}, {H::middleLeft, Qt::SizeHorCursor},
        {H::topMiddle, Qt::SizeVerCursor},   {H::bottomMiddle, Qt::SizeVerCursor},
    };
    for (const auto& [handle, shape] : expected) {
        hover(handleCentre(handle));
        EXPECT_EQ(view.viewport()->cursor().shape(), shape) << int(handle);
        hover(inside);
    }
}

TEST_F(GridViewWidget, bottomAnchorsResizeFromTheirTopHandles) {
    view.setImageOffsetBase(QStringLiteral("bottomLeft"));
    view.layoutSubtreeIfNeeded();
    // Offset (10, 20) from the bottom left: the picture's bottom edge is
    // 20 mm above the canvas's.
    EXPECT_EQ(view.imageView()->sceneBoundingRect(), QRectF(20, 400 - 40 - 80, 120, 80));
    select();
    EXPECT_EQ(view.imageSelectionView()->activeHandles(),
              (QList<H>{H::topRight, H::middleRight, H::topMiddle}));
    const QPoint top = handleCentre(H::topMiddle);
    dragThrough(view.viewport(), top, top - QPoint(0, 20));
    EXPECT_EQ(delegate.lastMaxSize.height, 50);
}

TEST_F(GridViewWidget, handlesFadeInWhenSelectedAndOutWhenLeft) {
    auto* selection = view.imageSelectionView();
    GridViewSelectionHandleView* corner = selection->handleView(H::bottomRight);
    GridViewSelectionHandleView* other = selection->handleView(H::topLeft);
    ASSERT_TRUE(corner && other);
    EXPECT_FALSE(corner->isVisible());
    select();
    EXPECT_TRUE(corner->isShown());
    EXPECT_TRUE(corner->isVisible());
    EXPECT_FALSE(other->isShown()); // a top-left anchor offers no top-left handle
    EXPECT_EQ(corner->frame(), selection->handleRect(H::bottomRight));
    EXPECT_TRUE(waitUntil([corner] { return corner->alphaValue() == 1.0; }));
    view.deselectImage();
    EXPECT_FALSE(corner->isShown());
    EXPECT_TRUE(waitUntil([corner] { return !corner->isVisible(); }));
}

TEST_F(GridViewWidget, aDragCutShortStillEnds) {
    // The picture goes away (an undo, say) while the button is still down.
    sendMouse(view.viewport(), QEvent::MouseButtonPress, at_mm(40, 40), Qt::LeftButton,
              Qt::LeftButton);
    sendMouse(view.viewport(), QEvent::MouseMove, at_mm(50, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(view.drag().isActive());
    view.setOriginalImage(nullptr);
    view.layoutSubtreeIfNeeded();
    EXPECT_EQ(delegate.begins, 1);
    EXPECT_EQ(delegate.ends, 1);
    EXPECT_FALSE(view.drag().isActive());
    EXPECT_FALSE(view.showsOffsetLines());
    // The late release changes nothing more.
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, at_mm(50, 40), Qt::LeftButton,
              Qt::NoButton);
    EXPECT_EQ(delegate.ends, 1);
    EXPECT_EQ(delegate.offsetChanges, 1);
}

TEST_F(GridViewWidget, aClickBesideThePictureLeavesTheSelection) {
    select();
    EXPECT_TRUE(view.imageSelectionView()->isSelected());
    const QPoint beside = at_mm(250, 150);
    sendMouse(view.viewport(), QEvent::MouseButtonPress, beside, Qt::LeftButton, Qt::LeftButton);
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, beside, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(view.imageSelectionView()->isSelected());
    EXPECT_EQ(delegate.begins, 1);
}

TEST_F(GridViewWidget, aDisabledCanvasTakesNoInput) {
    view.setCanvasEnabled(false);
    dragThrough(view.viewport(), at_mm(40, 40), at_mm(80, 80));
    EXPECT_EQ(delegate.begins, 0);
    EXPECT_EQ(view.imageOffset_mm(), (ambrel::Point_mm{10, 20}));
    EXPECT_FALSE(view.imageSelectionView()->isSelected());
}

TEST_F(GridViewWidget, noUsableCanvasHidesThePictureAndStartsNoDrag) {
    view.setPrintableSize_mm({0, 0});
    view.layoutSubtreeIfNeeded();
    EXPECT_FALSE(view.imageView()->isVisible());
    EXPECT_FALSE(view.imageSelectionView()->isVisible());
    EXPECT_FALSE(view.overflownAreaView()->isVisible());
    dragThrough(view.viewport(), at_mm(40, 40), at_mm(80, 80));
    EXPECT_EQ(delegate.begins, 0);
}

TEST_F(GridViewWidget, withoutAPictureTheDropPromptShows) {
    view.setOriginalImage(nullptr);
    EXPECT_TRUE(view.changedPropertyValuesBeforeLayout().contains(GridViewChangedProperty::image));
    view.layoutSubtreeIfNeeded();
    EXPECT_TRUE(view.changedPropertyValuesBeforeLayout().isEmpty());
    EXPECT_FALSE(view.imageView()->isVisible());
    EXPECT_FALSE(view.imageSelectionView()->isVisible());
    const QRectF hint = view.lastLayout().dropHintRect;
    EXPECT_EQ(hint.left(), std::round(hint.left()));
    EXPECT_NEAR(hint.center().x(), 300, 1);
}

// The placement comes as one value; only the parts that changed since the
// last one are set, so a part set on the canvas directly stays until the
// document changes that very part.
TEST_F(GridViewWidget, aPlacementSetsOnlyThePartsThatChanged) {
    ambrel::OriginalImageDrawingOptions placement;
    placement.imageOffsetBase = OffsetBase::topLeft;
    placement.imageOffset_mm = {10, 20};
    placement.imageRepeatXCount = 2;
    view.setImagePlacement(placement, {60, 40});
    EXPECT_EQ(view.imageRepeatXCount(), 2);
    EXPECT_EQ(view.imageOffset_mm(), (ambrel::Point_mm{10, 20}));
    view.layoutSubtreeIfNeeded();

    view.setImageOffsetBase(QStringLiteral("right"));
    placement.imageOffset_mm = {30, 5};
    placement.imageRepeatXMargin_mm = 4;
    view.setImagePlacement(placement, {60, 40});
    EXPECT_EQ(view.offsetBase(), OffsetBase::right);
    EXPECT_EQ(view.imageOffset_mm(), (ambrel::Point_mm{30, 5}));
    EXPECT_EQ(view.imageRepeatXMargin_mm(), 4);
    EXPECT_FALSE(view.changedPropertyValuesBeforeLayout().change(
        GridViewChangedProperty::imageRepeatXCount));

    placement.imageOffsetBase = OffsetBase::center;
    placement.imageOrientation = ambrel::ImageRotation::r90;
    placement.flipsImageHorizontal = true;
    view.setImagePlacement(placement, {40, 60});
    EXPECT_EQ(view.offsetBase(), OffsetBase::center);
    EXPECT_EQ(view.imageOrientation(), 1);
    EXPECT_TRUE(view.flipsImage());
    EXPECT_EQ(view.imageSizeForDisplay_mm(), (ambrel::Size_mm{40, 60}));
}

TEST_F(GridViewWidget, settersRecordOnlyRealChanges) {
    EXPECT_FALSE(view.needsLayout());
    view.setImageRepeatXCount(1);
    view.setFlipsImage(false);
    view.setImageOrientation(7); // not a quarter turn
    EXPECT_FALSE(view.needsLayout());
    EXPECT_TRUE(view.changedPropertyValuesBeforeLayout().isEmpty());

    QSignalSpy anchorSpy(&view, &GridView::imageOffsetBaseChanged);
    view.setImageOffsetBase(QStringLiteral("upperLeft"));
    EXPECT_EQ(anchorSpy.count(), 0);
    view.setImageOffsetBase(QStringLiteral("right"));
    EXPECT_EQ(anchorSpy.count(), 1);
    EXPECT_EQ(view.imageSelectionView()->imageOffsetBase(), OffsetBase::right);

    view.setImageRepeatXCount(3);
    view.setImageRepeatXCount(1);
    const auto change =
        view.changedPropertyValuesBeforeLayout().change(GridViewChangedProperty::imageRepeatXCount);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->oldValue.toLongLong(), 1);
    EXPECT_EQ(change->newValue.toLongLong(), 1);

    view.setColorAbility(QStringLiteral("fullColor"));
    EXPECT_EQ(view.colorAbility(), "fullColor");
    view.setColorAbility(QStringLiteral("sepia"));
    EXPECT_EQ(view.colorAbility(), "blackWhite");
}

TEST_F(GridViewWidget, sequenceOutlinesAreRebuiltOnlyWhenTheirRectanglesChange) {
    LiveAnimations live;
    view.setSplittedImageSourceRects_mm({{{0, 0}, {100, 200}}, {{100, 0}, {100, 200}}});
    view.layoutSubtreeIfNeeded();
    ASSERT_EQ(view.sequenceViews().size(), 2);
    GridViewSequenceView* first = view.sequenceViews().first();
    EXPECT_EQ(first->sequence(), 0);
    EXPECT_EQ(first->labelText(), "1");
    EXPECT_EQ(first->frame(), QRectF(400, 0, 200, 400));
    EXPECT_FALSE(first->toolTip().isEmpty());
    // They fade in one after another.
    EXPECT_LT(view.sequenceViews().last()->alphaValue(), 1.0);
    GridViewSequenceView* last = view.sequenceViews().last();
    EXPECT_TRUE(waitUntil([last] { return last->alphaValue() == 1.0; }));
    view.setSplittedImageSourceRects_mm({{{0, 0}, {100, 200}}, {{100, 0}, {100, 200}}});
    view.resize(632, 332); // a new size repositions them
    view.layoutSubtreeIfNeeded();
    EXPECT_EQ(view.sequenceViews().first(), first);
    EXPECT_EQ(first->frame().height(), 300);
    view.setSplittedImageSourceRects_mm({});
    view.layoutSubtreeIfNeeded();
    EXPECT_TRUE(view.sequenceViews().isEmpty());
}

TEST_F(GridViewWidget, outlinesOverThePictureLeaveItsHandlesTheirCursors) {
    view.setSplittedImageSourceRects_mm({{{0, 0}, {300, 200}}});
    select();
    view.layoutSubtreeIfNeeded();
    ASSERT_EQ(view.sequenceViews().size(), 1);
    GridViewSequenceView* outline = view.sequenceViews().first();
    EXPECT_FALSE(outline->isMouseHover());
    hover(handleCentre(H::middleRight));
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::SizeHorCursor);
    EXPECT_TRUE(outline->isMouseHover());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(outline->isMouseHover());
}

// The pointer is moved as a user moves it, one event per turn of the event
// loop, with the canvas's animations running: after every move the picture
// stands where the pointer put it, never on its way there.
TEST_F(GridViewWidget, thePictureFollowsThePointerAtEveryMove) {
    LiveAnimations live;
    const QPoint from = at_mm(40, 40);
    sendMouse(view.viewport(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    for (int i = 1; i <= 12; ++i) {
        // Up to 60 mm right and 24 mm down, in steps of 5 and 2 mm.
        sendMouse(view.viewport(), QEvent::MouseMove, from + QPoint(10 * i, 4 * i), Qt::NoButton,
                  Qt::LeftButton);
        QCoreApplication::processEvents();
        const ambrel::Point_mm target{10.0 + 5 * i, 20.0 + 2 * i};
        EXPECT_EQ(view.imageOffset_mm(), target) << i;
        EXPECT_EQ(view.imageView()->sceneBoundingRect(),
                  QRectF(target.x * 2, target.y * 2, 120, 80))
            << i;
        EXPECT_EQ(view.imageSelectionView()->frame(),
                  QRectF(target.x * 2 - 5, target.y * 2 - 5, 130, 90))
            << i;
        EXPECT_FALSE(view.changeAnimator()->isAnimating()) << i;
    }
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, from + QPoint(120, 48), Qt::LeftButton,
              Qt::NoButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate.undoSteps, 1);
    EXPECT_EQ(view.imageView()->sceneBoundingRect(), QRectF(140, 88, 120, 80));
}

// Fading in changes what is drawn, never what takes a click: a press a
// moment after a new picture, or after a quarter turn, selects it.
TEST_F(GridViewWidget, aNewOrTurnedPictureTakesAPressAtOnce) {
    LiveAnimations live;
    auto* selection = view.imageSelectionView();
    const auto pressAfter50ms = [&] {
        view.deselectImage();
        view.layoutSubtreeIfNeeded();
        QTest::qWait(50);
        ASSERT_LT(selection->effectiveAlphaValue(), 1.0); // still fading in
        const QPoint p = view.viewportPoint(view.imageView()->sceneBoundingRect().center());
        sendMouse(view.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        sendMouse(view.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        QCoreApplication::processEvents();
        EXPECT_TRUE(selection->isSelected());
    };
    view.setOriginalImage(makePicture(300, 300));
    pressAfter50ms();
    EXPECT_EQ(delegate.begins, 1);
    view.setImageOrientation(1);
    pressAfter50ms();
    EXPECT_EQ(delegate.begins, 2);
}

TEST_F(GridViewWidget, aDisabledCanvasShowsTheArrowCursor) {
    select();
    hover(handleCentre(H::middleRight));
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::SizeHorCursor);
    view.setCanvasEnabled(false);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::ArrowCursor);
    hover(handleCentre(H::middleRight) + QPoint(1, 0));
    hover(view.viewportPoint(view.imageView()->sceneBoundingRect().center()));
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::ArrowCursor);
    // Enabled again, the picture offers its cursors again.
    view.setCanvasEnabled(true);
    select();
    hover(handleCentre(H::middleRight));
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::SizeHorCursor);
}

TEST_F(GridViewWidget, handlesAreMidGrayWithoutTheFocus) {
    select();
    auto* selection = view.imageSelectionView();
    selection->clearFocus();
    EXPECT_EQ(selection->handleView(H::bottomRight)->color(), QColor(128, 128, 128));
}

TEST_F(GridViewWidget, aRemovedPictureFadesOutInATenthOfASecond) {
    LiveAnimations live;
    QElapsedTimer clock;
    clock.start();
    view.setOriginalImage(nullptr);
    view.layoutSubtreeIfNeeded();
    EXPECT_FALSE(view.imageView()->isVisible());
    EXPECT_TRUE(view.repeatView()->isFadingOut());
    // The fade runs for its tenth of a second, however busy the machine.
    const auto* fade = view.repeatView()->findChild<QVariantAnimation*>();
    ASSERT_TRUE(fade);
    EXPECT_EQ(fade->duration(), GridViewChangeAnimator::removalFadeDuration_ms);
    ASSERT_TRUE(waitUntil([&] { return !view.repeatView()->isFadingOut(); }));
    EXPECT_GE(clock.elapsed(), GridViewChangeAnimator::removalFadeDuration_ms - 5);
}

TEST(GridViewOffsetLineTimer, nudgesReArmOneTimerUntilItFires) {
    GridViewOffsetLineTimer lines;
    QSignalSpy spy(&lines, &GridViewOffsetLineTimer::showingChanged);
    lines.showTemporarily();
    const QTimer* timer = lines.hideTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 500);
    QTest::qWait(100);
    lines.showTemporarily();
    lines.showTemporarily();
    EXPECT_EQ(lines.hideTimer(), timer);
    EXPECT_GT(timer->remainingTime(), 400);
    EXPECT_TRUE(lines.isShowing());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(waitUntil([&lines] { return !lines.isShowing(); }));
    EXPECT_EQ(lines.hideTimer(), nullptr);
    // A nudge after the timer fired makes a new one.
    lines.showTemporarily();
    EXPECT_NE(lines.hideTimer(), nullptr);
    // A drag takes the lines over without a timer; its end hides them.
    lines.showUntilHidden();
    EXPECT_EQ(lines.hideTimer(), nullptr);
    EXPECT_TRUE(lines.isShowing());
    lines.hide();
    EXPECT_FALSE(lines.isShowing());
    const int changes = int(spy.count());
    lines.hide();
    EXPECT_EQ(spy.count(), changes);
}

// The grid and the border are kept as pixmaps, so that a repaint over the
// picture (each new preview tile) does not draw them again: both must fit in
// the pixmap cache at once, on the largest windows too.
TEST_F(GridViewWidget, aLargeCanvasKeepsItsGridAndBorderInThePixmapCache) {
    view.resize(3840, 2160);
    view.layoutSubtreeIfNeeded();
    const double scale = view.backingScaleFactor();
    const QSize device = ((view.bounds() + QSizeF(2, 2)) * scale).toSize();
    ASSERT_GT(qint64(device.width()) * device.height() * 4, 10 * 1024 * 1024);
    QPixmap grid(device);
    QPixmap border(device);
    const QPixmapCache::Key gridKey = QPixmapCache::insert(grid);
    const QPixmapCache::Key borderKey = QPixmapCache::insert(border);
    QPixmap found;
    EXPECT_TRUE(QPixmapCache::find(gridKey, &found));
    EXPECT_TRUE(QPixmapCache::find(borderKey, &found));
    QPixmapCache::remove(gridKey);
    QPixmapCache::remove(borderKey);
}

// A lone picture repaints only what changed in it, not the whole canvas under
// it; its copies, where there are some, are repainted with it.
TEST_F(GridViewWidget, aChangedPictureRepaintsTheCanvasOnlyWhereCopiesShowIt) {
    QSignalSpy changed(view.scene(), &QGraphicsScene::changed);
    const auto repaintedAfterAChange = [&] {
        QCoreApplication::processEvents();
        changed.clear();
        emit view.imageView()->contentsChanged();
        QCoreApplication::processEvents();
        QRectF repainted;
        for (const QList<QVariant>& arguments : changed) {
            for (const QRectF& r : arguments.at(0).value<QList<QRectF>>()) {
                repainted |= r;
            }
        }
        return repainted;
    };
    EXPECT_TRUE(repaintedAfterAChange().isEmpty());

    view.setImageRepeatXCount(3);
    view.layoutSubtreeIfNeeded();
    const QRectF copies = view.repeatView()->sceneBoundingRect();
    EXPECT_GT(copies.width(), view.imageView()->sceneBoundingRect().width() * 2);
    EXPECT_TRUE(repaintedAfterAChange().contains(copies));
}
