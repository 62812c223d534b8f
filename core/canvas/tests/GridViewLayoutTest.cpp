#include "core/canvas/GridViewLayout.h"
#include "core/canvas/GridViewImageView.h"
#include "core/canvas/GridViewRepeatView.h"

#include <gtest/gtest.h>

using namespace kestrom;
using ambrel::OffsetBase;

namespace {

// 300 x 200 mm shown 600 x 400 points.
GridViewLayout::Input pictureInput(OffsetBase anchor) {
    GridViewLayout::Input in;
    in.bounds = {600, 400};
    in.dropHintSize = {150, 31};
    in.model.printableSize_mm = {300, 200};
    in.model.imageOffsetBase = anchor;
    in.model.imageOffset_mm = {10, 20};
    in.model.imageSizeForDisplay_mm = {40, 30};
    in.model.hasPicture = true;
    return in;
}

} // namespace

TEST(GridViewLayout, withoutAPictureOnlyTheDropHintShows) {
    GridViewLayout::Input in = pictureInput(OffsetBase::center);
    in.model.hasPicture = false;
    in.model.showsOffsetLines = true;
    in.dropHintSize = {151, 31};
    const auto r = GridViewLayout::compute(in);
    EXPECT_TRUE(r.showsDropHint);
    EXPECT_EQ(r.dropHintRect, QRectF(225, 185, 151, 31)); // 224.5 rounds away
    EXPECT_FALSE(r.showsPicture);
    EXPECT_FALSE(r.xOffsetLine.visible);
    EXPECT_FALSE(r.resizingLine.visible);
}

TEST(GridViewLayout, withoutAUsableCanvasNothingOfThePictureShows) {
    GridViewLayout::Input in = pictureInput(OffsetBase::center);
    in.model.printableSize_mm = {0, 0};
    in.model.showsOffsetLines = true;
    const auto r = GridViewLayout::compute(in);
    EXPECT_FALSE(r.showsPicture);
    EXPECT_FALSE(r.showsDropHint);
    EXPECT_FALSE(r.xOffsetLine.visible);
    EXPECT_FALSE(r.sequenceFrames);
}

TEST(GridViewLayout, theRepeatedAreaSitsAtTheAnchorAsThePrintPlacesIt) {
    struct Row {
        OffsetBase anchor;
        QRectF area; // 3 x 2 copies of 40 x 30 mm, gaps 5 and 4: 130 x 64 mm
    };
    const Row rows[] = {
        {OffsetBase::topLeft, {20, 40, 260, 128}},
        {OffsetBase::center, {300 + 20 - 130, 200 - 40 - 64, 260, 128}},
        {OffsetBase::topRight, {600 - 20 - 260, 40, 260, 128}},
        {OffsetBase::bottomLeft, {20, 400 - 40 - 128, 260, 128}},
        {OffsetBase::bottomRight, {600 - 20 - 260, 400 - 40 - 128, 260, 128}},
    };
    for (const Row& row : rows) {
        GridViewLayout::Input in = pictureInput(row.anchor);
        in.model.imageRepeatXCount = 3;
        in.model.imageRepeatYCount = 2;
        in.model.imageRepeatXMargin_mm = 5;
        in.model.imageRepeatYMargin_mm = 4;
        const auto r = GridViewLayout::compute(in);
        const std::string name = row.anchor.rawValue().toStdString();
        EXPECT_TRUE(r.showsPicture) << name;
        EXPECT_EQ(r.allImageRect_pt, row.area) << name;
        // The first copy is at the top of the area; further rows go down.
        EXPECT_EQ(r.imageRect_pt.top(), row.area.top()) << name;
        EXPECT_EQ(r.copyStepY, 68) << name;
        EXPECT_EQ(r.instanceCountX, 3) << name;
        EXPECT_TRUE(r.showsFurtherCopiesX) << name;
        // Right anchors repeat leftward from the copy at the right edge.
        if (row.anchor.horizontalPosition == OffsetBase::HorizontalPosition::right) {
            EXPECT_EQ(r.copyStepX, -90) << name;
            EXPECT_EQ(r.imageRect_pt.right(), row.area.right()) << name;
        } else {
            EXPECT_EQ(r.copyStepX, 90) << name;
            EXPECT_EQ(r.imageRect_pt.left(), row.area.left()) << name;
        }
    }
}

TEST(GridViewLayout, oneCopyKeepsASecondInstanceHidden) {
    GridViewLayout::Input in = pictureInput(OffsetBase::topLeft);
    in.model.imageSizeForDisplay_mm = {40, 30.3};
    const auto r = GridViewLayout::compute(in);
    EXPECT_EQ(r.instanceCountX, 2);
    EXPECT_EQ(r.instanceCountY, 2);
    EXPECT_FALSE(r.showsFurtherCopiesX);
    EXPECT_FALSE(r.showsFurtherCopiesY);
    EXPECT_DOUBLE_EQ(r.copyStepX, 80 * 0.8);
    EXPECT_EQ(r.copyStepY, std::floor(60.6 * 0.8));
}

TEST(GridViewLayout, pictureFrameRoundsToDevicePixels) {
    GridViewLayout::Input in = pictureInput(OffsetBase::topLeft);
    in.model.imageSizeForDisplay_mm = {40.1, 30.13}; // 80.2 x 60.26 points
    in.model.imageOffset_mm = {10.3, 20};
    in.scale = 2;
    auto r = GridViewLayout::compute(in);
    EXPECT_EQ(r.imageFrame, QRectF(20.5, 0, 80, 60.5));
    EXPECT_EQ(r.repeatStripRect.top(), 40);
    in.scale = 1;
    r = GridViewLayout::compute(in);
    EXPECT_EQ(r.imageFrame, QRectF(21, 0, 80, 60));
}

TEST(GridViewLayout, offsetLinesColourAndWidth) {
    GridViewLayout::Input in = pictureInput(OffsetBase::topLeft);
    in.bounds = {300, 200}; // one point per millimetre
    in.model.showsOffsetLines = true;
    in.model.imageOffset_mm = {10.0, 10.2};
    auto r = GridViewLayout::compute(in);
    EXPECT_TRUE(r.xOffsetLine.visible);
    EXPECT_EQ(r.xOffsetLine.color, QColor(Qt::red));
    EXPECT_EQ(r.xOffsetLine.rect.left(), 9);
    EXPECT_EQ(r.xOffsetLine.rect.width(), 2);
    EXPECT_EQ(r.yOffsetLine.color, QColor(Qt::blue));
    EXPECT_EQ(r.yOffsetLine.rect.top(), 10); // 9.5 to 10.5 on pixel edges
    EXPECT_EQ(r.yOffsetLine.rect.height(), 1);
    in.model.imageOffset_mm = {10.5, 0};
    r = GridViewLayout::compute(in);
    EXPECT_EQ(r.xOffsetLine.color, QColor(Qt::blue));
    EXPECT_EQ(r.xOffsetLine.rect.left(), 11); // at 11 mm
    in.model.showsOffsetLines = false;
    r = GridViewLayout::compute(in);
    EXPECT_FALSE(r.xOffsetLine.visible);
    EXPECT_FALSE(r.yOffsetLine.visible);
}

TEST(GridViewLayout, resizeGuideMarksAnEdgeOnAStep) {
    GridViewLayout::Input in = pictureInput(OffsetBase::topLeft);
    in.bounds = {300, 200};
    in.model.showsOffsetLines = true;
    in.model.imageOffset_mm = {0, 0};
    in.model.imageSizeForDisplay_mm = {49.85, 20};
    in.resizeHandle = GridViewHandle::middleRight;
    auto r = GridViewLayout::compute(in);
    EXPECT_TRUE(r.resizingLine.visible);
    EXPECT_EQ(r.resizingLine.color, QColor(Qt::red));
    EXPECT_EQ(r.resizingLine.rect.left(), 50); // a 1-point line on the pixel after 49.5
    EXPECT_FALSE(r.resizingFlippedLine.visible);

    in.model.imageSizeForDisplay_mm = {49.7, 20};
    EXPECT_FALSE(GridViewLayout::compute(in).resizingLine.visible);

    // A middle anchor marks both edges, 25 mm steps.
    in.model.imageOffsetBase = OffsetBase::center;
    in.model.imageSizeForDisplay_mm = {50, 20};
    in.model.imageOffset_mm = {25, 0};
    r = GridViewLayout::compute(in);
    EXPECT_TRUE(r.resizingLine.visible);
    EXPECT_TRUE(r.resizingFlippedLine.visible);
    EXPECT_EQ(r.resizingLine.rect.left(), 150 + 50);
    EXPECT_EQ(r.resizingFlippedLine.rect.left(), 150);

    in.resizeHandle = GridViewHandle::bottomRight;
    EXPECT_FALSE(GridViewLayout::compute(in).resizingLine.visible);
}

TEST(GridViewLayout, sequenceFramesRunFromTheRightEdge) {
    GridViewLayout::Input in = pictureInput(OffsetBase::topLeft);
    in.model.splittedImageSourceRects_mm = {{{0, 0}, {100, 50}}, {{100, 0}, {50.2, 50}}};
    auto r = GridViewLayout::compute(in);
    ASSERT_TRUE(r.sequenceFrames);
    EXPECT_EQ(*r.sequenceFrames,
              (QList<QRectF>{{400, 0, 200, 100}, {300, 0, 100, 100}})); // 299.6 on a pixel
    in.model.printableSize_mm.width = 0;
    EXPECT_FALSE(GridViewLayout::compute(in).sequenceFrames);
}

TEST(GridViewRepeatView, onlyCopiesThatReachIntoTheAreaAreDrawn) {
    using R = GridViewRepeatView::Range;
    using Pair = std::pair<qint64, qint64>;
    const auto range = [](double origin, double size, double step, qint64 count, double low,
                          double high) {
        const R r = GridViewRepeatView::visibleCopies(origin, size, step, count, low, high);
        return std::pair(r.first, r.end);
    };
    // Copies of 10 every 15 from 0, the area [0, 100): all seven that start below 100.
    EXPECT_EQ(range(0, 10, 15, 50, 0, 100), Pair(0, 7));
    // Far to the left, only the copies that come in.
    // Copy 66 covers [-10, 0) and copy 73 starts at 95.
    EXPECT_EQ(range(-1000, 10, 15, 100, 0, 100), Pair(67, 74));
    // Leftward copies from the right edge.
    const auto left = range(90, 10, -15, 4, 0, 100);
    EXPECT_EQ(left.first, 0);
    EXPECT_EQ(left.second, 4);
    // Nothing for copies entirely beside the area, no copies, or a step that is no number.
    const auto beside = range(200, 10, 15, 5, 0, 100);
    EXPECT_GE(beside.first, beside.second);
    EXPECT_EQ(range(0, 10, 15, 0, 0, 100), Pair(0, 0));
    EXPECT_EQ(range(0, 10, std::nan(""), 3, 0, 100), Pair(0, 0));
    // Copies on top of each other: one.
    EXPECT_EQ(range(0, 10, 0, 5, 0, 100), Pair(0, 1));
}

TEST(GridViewRepeatView, thePictureLearnsWhichPartOfItShowsThroughItselfOrACopy) {
    auto* picture = new GridViewImageView;
    GridViewRepeatView repeats(picture);
    repeats.setFrame(QRectF(0, 0, 600, 400));
    // A picture far larger than the canvas, its corner at (-1000, -500).
    GridViewRepeatView::Placement p;
    p.stripRect = QRectF(0, 0, 600, 400);
    p.imageFrame = QRectF(-1000, -500, 1e9, 1e9);
    repeats.setPlacement(p);
    ASSERT_TRUE(picture->visibleArea());
    EXPECT_EQ(*picture->visibleArea(), QRectF(1000, 500, 600, 400));
    // Tiled only there, from its first layout on.
    EXPECT_EQ(picture->tileViews().size(), 6);

    // Three copies of 100 x 50 every 150 across, the last cut by the edge:
    // together they show the whole picture.
    p.imageFrame = QRectF(300, 10, 100, 50);
    p.stepX = 150;
    p.countX = 3;
    repeats.setPlacement(p);
    EXPECT_EQ(*picture->visibleArea(), QRectF(0, 0, 100, 50));
    // Only the copies' left parts show when the canvas ends inside each.
    p.imageFrame = QRectF(550, 10, 100, 50);
    p.stepX = -300;
    repeats.setPlacement(p);
    EXPECT_EQ(*picture->visibleArea(), QRectF(0, 0, 100, 50));
    p.stepX = 500;
    repeats.setPlacement(p);
    EXPECT_EQ(*picture->visibleArea(), QRectF(0, 0, 50, 50));
    // Off the canvas: nothing shows.
    p.imageFrame = QRectF(700, 10, 100, 50);
    repeats.setPlacement(p);
    EXPECT_TRUE(picture->visibleArea()->isEmpty());
}
