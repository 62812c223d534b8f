#include "core/canvas/GridViewHandleGeometry.h"

#include <gtest/gtest.h>

using namespace kestrom;
using ambrel::OffsetBase;
using H = GridViewHandle;
using G = GridViewHandleGeometry;

namespace {

QList<H> handles(OffsetBase anchor) {
    return G::activeHandles(anchor, true, true, true);
}

} // namespace

TEST(GridViewHandleGeometry, handlesPerAnchorWithBottomAnchorsMirrored) {
    EXPECT_EQ(handles(OffsetBase::topLeft),
              (QList<H>{H::bottomRight, H::middleRight, H::bottomMiddle}));
    EXPECT_EQ(handles(OffsetBase::center).size(), 8);
    EXPECT_EQ(handles(OffsetBase::right),
              (QList<H>{H::topLeft, H::bottomLeft, H::middleLeft, H::topMiddle, H::bottomMiddle}));
    EXPECT_EQ(handles(OffsetBase::bottomLeft),
              (QList<H>{H::topRight, H::middleRight, H::topMiddle}));
    EXPECT_EQ(handles(OffsetBase::bottomRight),
              (QList<H>{H::topLeft, H::middleLeft, H::topMiddle}));
    EXPECT_EQ(handles(OffsetBase::bottom),
              (QList<H>{H::topRight, H::topLeft, H::middleRight, H::middleLeft, H::topMiddle}));
    // Every anchor offers handles, and only when enabled, selected and resizable.
    for (const OffsetBase anchor : OffsetBase::allCases()) {
        EXPECT_FALSE(handles(anchor).isEmpty()) << anchor.rawValue().toStdString();
        EXPECT_TRUE(G::activeHandles(anchor, false, true, true).isEmpty());
        EXPECT_TRUE(G::activeHandles(anchor, true, false, true).isEmpty());
        EXPECT_TRUE(G::activeHandles(anchor, true, true, false).isEmpty());
    }
}

TEST(GridViewHandleGeometry, rectanglesInTheFrame) {
    const QSizeF frame(100, 60);
    EXPECT_EQ(G::handleRect(H::middleRight, frame, 1), QRectF(90, 25, 10, 10));
    EXPECT_EQ(G::handleRect(H::bottomMiddle, frame, 1), QRectF(45, 50, 10, 10));
    EXPECT_EQ(G::handleRect(H::topLeft, frame, 1), QRectF(0, 0, 10, 10));
    EXPECT_EQ(G::handleRect(H::image, frame, 1), QRectF(5, 5, 90, 50));
    // Odd sizes land on device pixels.
    EXPECT_EQ(G::handleRect(H::topMiddle, {101, 61}, 1), QRectF(46, 0, 10, 10));
    EXPECT_EQ(G::handleRect(H::topMiddle, {101, 61}, 2), QRectF(45.5, 0, 10, 10));
}

TEST(GridViewHandleGeometry, hitTestingForEveryAnchor) {
    const QSizeF frame(100, 60);
    for (const OffsetBase anchor : OffsetBase::allCases()) {
        const QList<H> active = handles(anchor);
        for (H h : allResizeHandles()) {
            const QPointF centre = G::handleRect(h, frame, 1).center();
            const H hit = G::handleAt(centre, active, frame, 1);
            EXPECT_EQ(hit, active.contains(h) ? h : H::image)
                << anchor.rawValue().toStdString() << " handle " << int(h);
        }
    }
    // A press on the top-left corner of a top-left anchored picture moves it.
    EXPECT_EQ(G::handleAt({2, 2}, handles(OffsetBase::topLeft), frame, 1), H::image);
    // Points beside the picture are the picture too.
    EXPECT_EQ(G::handleAt({500, 500}, handles(OffsetBase::center), frame, 1), H::image);
    // On a tiny picture overlapping handles go to the first listed.
    EXPECT_EQ(G::handleAt({7, 7}, handles(OffsetBase::center), {14, 14}, 1), H::topLeft);
    // Right and bottom edges are outside.
    EXPECT_EQ(G::handleAt({100, 30}, handles(OffsetBase::center), frame, 1), H::image);
    EXPECT_EQ(G::handleAt({99.9, 30}, handles(OffsetBase::center), frame, 1), H::middleRight);
}

TEST(GridViewHandleGeometry, cursors) {
    const QSizeF frame(100, 60);
    const QList<H> active = handles(OffsetBase::center);
    EXPECT_EQ(G::cursorAt({95, 30}, active, frame, 1, true), G::Cursor::resizeLeftRight);
    EXPECT_EQ(G::cursorAt({50, 2}, active, frame, 1, true), G::Cursor::resizeUpDown);
    EXPECT_EQ(G::cursorAt({95, 55}, active, frame, 1, true), G::Cursor::resizeDiagonalDown);
    EXPECT_EQ(G::cursorAt({95, 2}, active, frame, 1, true), G::Cursor::resizeDiagonalUp);
    EXPECT_EQ(G::cursorAt({30, 30}, active, frame, 1, true), G::Cursor::openHand);
    EXPECT_EQ(G::cursorAt({30, 30}, {}, frame, 1, false), G::Cursor::pointingHand);
    EXPECT_EQ(G::cursorAt({2, 30}, {}, frame, 1, false), G::Cursor::none);
}
