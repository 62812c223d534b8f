#include "core/canvas/GridViewDrag.h"

#include <gtest/gtest.h>

using namespace kestrom;
using ambrel::OffsetBase;
using ambrel::Point_mm;
using ambrel::Size_mm;
using H = GridViewHandle;

namespace {

// 300 x 200 mm at one point per millimetre.
constexpr QSizeF bounds{300, 200};
constexpr Size_mm printable{300, 200};

GridViewDrag started(H handle, OffsetBase anchor, QPointF press, Point_mm offset) {
    GridViewDrag drag;
    EXPECT_TRUE(drag.begin(handle, press, offset, bounds, printable, anchor));
    return drag;
}

} // namespace

TEST(GridViewDragMove, roundsToWholeMillimetresHalvesAway) {
    auto drag = started(H::image, OffsetBase::topLeft, {100, 100}, {0, 0});
    EXPECT_EQ(drag.move({112.4, 100}, false), (Point_mm{12, 0}));
    EXPECT_EQ(drag.move({112.5, 100}, false), (Point_mm{13, 0}));
    // Right and middle anchors turn the pointer's direction round.
    auto right = started(H::image, OffsetBase::right, {100, 100}, {20, 30});
    EXPECT_EQ(right.move({90, 110}, false), (Point_mm{30, 20}));
}

TEST(GridViewDragMove, snapsToFiftyMillimetresWithinTheSnapDistance) {
    auto drag = started(H::image, OffsetBase::topLeft, {0, 0}, {0, 0});
    EXPECT_EQ(drag.move({46, 0}, false), (Point_mm{50, 0}));
    EXPECT_EQ(drag.move({53, 97}, false), (Point_mm{50, 100}));
    EXPECT_EQ(drag.move({43, 92}, false), (Point_mm{43, 92}));
}

TEST(GridViewDragMove, shiftLocksTheAxisOfTheSmallerMovement) {
    auto drag = started(H::image, OffsetBase::topLeft, {100, 100}, {7, 9});
    EXPECT_EQ(drag.move({103, 101}, true), (Point_mm{10, 9}));
    EXPECT_EQ(drag.fixedAxis(), GridViewDrag::FixedAxis::y);
    // Within 10 points the chosen axis stays.
    EXPECT_EQ(drag.move({101, 108}, true).y, 9);
    // Beyond, the dominant direction decides on every event.
    EXPECT_EQ(drag.move({105, 120}, true), (Point_mm{7, 29}));
    EXPECT_EQ(drag.fixedAxis(), GridViewDrag::FixedAxis::x);
    // Releasing Shift frees both axes.
    EXPECT_EQ(drag.move({105, 120}, false), (Point_mm{12, 29}));
    EXPECT_FALSE(drag.fixedAxis());
    // A new drag forgets the axis.
    drag.begin(H::image, {0, 0}, {0, 0}, bounds, printable, OffsetBase::topLeft);
    EXPECT_FALSE(drag.fixedAxis());
}

TEST(GridViewDragResize, requestedSizePerAnchorAndHandle) {
    // Top left anchor, picture at (20, 20): a corner pulled above and left of
    // the origin asks for the smallest size.
    auto drag = started(H::bottomRight, OffsetBase::topLeft, {80, 60}, {20, 20});
    EXPECT_EQ(drag.resize({10, 5}, {20, 20}), (Size_mm{5, 5}));
    EXPECT_EQ(drag.resize({100, 70}, {20, 20}), (Size_mm{80, 50}));

    // Centre anchor: the picture grows on both sides.
    drag = started(H::topLeft, OffsetBase::center, {130, 80}, {0, 0});
    EXPECT_EQ(drag.resize({140, 90}, {0, 0}), (Size_mm{20, 20}));

    // A side handle leaves the other axis unconstrained.
    drag = started(H::middleRight, OffsetBase::top, {160, 50}, {0, 10});
    EXPECT_EQ(drag.resize({167, 50}, {0, 10}), (Size_mm{34, GridViewDrag::unconstrainedSize_mm}));
    drag = started(H::bottomMiddle, OffsetBase::top, {160, 50}, {0, 10});
    EXPECT_EQ(drag.resize({171, 47}, {0, 10}), (Size_mm{GridViewDrag::unconstrainedSize_mm, 37}));

    // Bottom anchors measure upward: the top handles set the height.
    drag = started(H::topRight, OffsetBase::bottomLeft, {60, 150}, {10, 20});
    EXPECT_EQ(drag.resize({70, 150}, {10, 20}), (Size_mm{60, 30}));
    drag = started(H::topMiddle, OffsetBase::bottom, {150, 150}, {0, 20});
    EXPECT_EQ(drag.resize({150, 100}, {0, 20}).height, 80);
}

TEST(GridViewDragResize, sideHandleSnapsOnlyWhenTheOffsetIsOnAStep) {
    // Left anchor at x = 0: the right edge dragged near 100 mm snaps to it.
    auto drag = started(H::middleRight, OffsetBase::topLeft, {80, 50}, {0, 0});
    EXPECT_EQ(drag.resize({96, 50}, {0, 0}).width, 100);
    EXPECT_EQ(drag.lastDraggedPoint(), QPointF(100, 50));
    EXPECT_EQ(drag.resize({92, 50}, {0, 0}).width, 92);
    // Off a step: no snapping.
    drag = started(H::middleRight, OffsetBase::topLeft, {80, 50}, {3, 0});
    EXPECT_EQ(drag.resize({96, 50}, {3, 0}).width, 93);
    // Corners never snap.
    drag = started(H::bottomRight, OffsetBase::topLeft, {80, 50}, {0, 0});
    EXPECT_EQ(drag.resize({98, 99}, {0, 0}), (Size_mm{98, 99}));
}

TEST(GridViewDrag, doesNotStartWithoutAUsableCanvas) {
    GridViewDrag drag;
    EXPECT_FALSE(drag.begin(H::image, {0, 0}, {0, 0}, bounds, {0, 0}, OffsetBase::center));
    EXPECT_FALSE(drag.isActive());
    EXPECT_TRUE(drag.begin(H::bottomRight, {0, 0}, {0, 0}, bounds, printable, OffsetBase::center));
    drag.end();
    EXPECT_FALSE(drag.isActive());
    EXPECT_EQ(drag.handle(), H::image);
}
