#pragma once

#include "core/canvas/GridViewHandle.h"
#include "model/pictures/OffsetBase.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace kestrom {

// Which handles the selection frame offers for an anchor, where they lie in
// the frame's own coordinates (the picture's frame grown by the inset on
// every side), which one a point hits and the cursor over each.
class GridViewHandleGeometry {
public:
    static constexpr double handleWidth = 10.0;
    // The frame extends this far beyond the picture on every side.
    static constexpr double inset = 5.0;

    enum class Cursor {
        none, // the canvas's own cursor
        pointingHand,
        openHand,
        resizeLeftRight,
        resizeUpDown,
        resizeDiagonalDown, // top left to bottom right
        resizeDiagonalUp,   // bottom left to top right
    };

    // The handles, in hit-test order; none unless enabled, selected and
    // resizable. Bottom anchors get the vertical mirror of the top anchors'.
    static QList<GridViewHandle> activeHandles(ambrel::OffsetBase anchor, bool enabled,
                                               bool selected, bool resizable);
    // A handle's square in a frame of the given size, on device pixels; for
    // the picture, the frame without its inset.
    static QRectF handleRect(GridViewHandle handle, const QSizeF& frameSize, double scale);
    // The first of the handles that contains the point, else the picture
    // (also for points beside the picture).
    static GridViewHandle handleAt(const QPointF& point, const QList<GridViewHandle>& handles,
                                   const QSizeF& frameSize, double scale);
    static bool contains(const QRectF& rect, const QPointF& point);
    static Cursor cursorFor(GridViewHandle handle);
    // The cursor at a point: a handle's, else a hand over the picture (open
    // when selected), else none.
    static Cursor cursorAt(const QPointF& point, const QList<GridViewHandle>& handles,
                           const QSizeF& frameSize, double scale, bool selected);
};

} // namespace kestrom
