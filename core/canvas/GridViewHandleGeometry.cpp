#include "core/canvas/GridViewHandleGeometry.h"

#include "core/canvas/PixelAlignment.h"

namespace kestrom {

namespace {

using H = GridViewHandle;

GridViewHandle verticalMirror(GridViewHandle h) {
    switch (h) {
    case H::bottomRight:
        return H::topRight;
    case H::topRight:
        return H::bottomRight;
    case H::topLeft:
        return H::bottomLeft;
    case H::bottomLeft:
        return H::topLeft;
    case H::topMiddle:
        return H::bottomMiddle;
    case H::bottomMiddle:
        return H::topMiddle;
    default:
        return h;
    }
}

QList<GridViewHandle> handlesFor(ambrel::OffsetBase anchor) {
    using O = ambrel::OffsetBase;
    if (anchor == O::top) {
        return {H::bottomRight, H::bottomLeft, H::middleRight, H::middleLeft, H::bottomMiddle};
    }
    if (anchor == O::center) {
        return {H::topLeft,     H::topRight,   H::bottomRight, H::bottomLeft,
                H::middleRight, H::middleLeft, H::topMiddle,   H::bottomMiddle};
    }
    if (anchor == O::topLeft) {
        return {H::bottomRight, H::middleRight, H::bottomMiddle};
    }
    if (anchor == O::topRight) {
        return {H::bottomLeft, H::middleLeft, H::bottomMiddle};
    }
    if (anchor == O::left) {
        return {H::topRight, H::bottomRight, H::middleRight, H::topMiddle, H::bottomMiddle};
    }
    if (anchor == O::right) {
        return {H::topLeft, H::bottomLeft, H::middleLeft, H::topMiddle, H::bottomMiddle};
    }
    const O mirrored{O::VerticalPosition::top, anchor.horizontalPosition};
    QList<GridViewHandle> handles = handlesFor(mirrored);
    for (GridViewHandle& h : handles) {
        h = verticalMirror(h);
    }
    return handles;
}

} // namespace

QList<GridViewHandle> GridViewHandleGeometry::activeHandles(ambrel::OffsetBase anchor, bool enabled,
                                                            bool selected, bool resizable) {
    if (!enabled || !selected || !resizable) {
        return {};
    }
    return handlesFor(anchor);
}

QRectF GridViewHandleGeometry::handleRect(GridViewHandle handle, const QSizeF& frameSize,
                                          double scale) {
    const double w = frameSize.width();
    const double h = frameSize.height();
    if (handle == H::image) {
        return QRectF(0, 0, w, h).adjusted(inset, inset, -inset, -inset);
    }
    double x = 0;
    switch (handle) {
    case H::topLeft:
    case H::bottomLeft:
    case H::middleLeft:
        x = 0;
        break;
    case H::topMiddle:
    case H::bottomMiddle:
        x = (w - handleWidth) / 2;
        break;
    default:
        x = w - handleWidth;
        break;
    }
    double y = 0;
    switch (handle) {
    case H::topLeft:
    case H::topRight:
    case H::topMiddle:
        y = 0;
        break;
    case H::middleLeft:
    case H::middleRight:
        y = (h - handleWidth) / 2;
        break;
    default:
        y = h - handleWidth;
        break;
    }
    return PixelAlignment::centerScanRect(QRectF(x, y, handleWidth, handleWidth), scale);
}

bool GridViewHandleGeometry::contains(const QRectF& rect, const QPointF& point) {
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() &&
           point.y() < rect.bottom();
}

GridViewHandle GridViewHandleGeometry::handleAt(const QPointF& point,
                                                const QList<GridViewHandle>& handles,
                                                const QSizeF& frameSize, double scale) {
    for (GridViewHandle h : handles) {
        if (contains(handleRect(h, frameSize, scale), point)) {
            return h;
        }
    }
    return H::image;
}

GridViewHandleGeometry::Cursor GridViewHandleGeometry::cursorFor(GridViewHandle handle) {
    switch (handle) {
    case H::bottomRight:
    case H::topLeft:
        return Cursor::resizeDiagonalDown;
    case H::topRight:
    case H::bottomLeft:
        return Cursor::resizeDiagonalUp;
    case H::middleRight:
    case H::middleLeft:
        return Cursor::resizeLeftRight;
    case H::topMiddle:
    case H::bottomMiddle:
        return Cursor::resizeUpDown;
    case H::image:
        break;
    }
    return Cursor::none;
}

GridViewHandleGeometry::Cursor
GridViewHandleGeometry::cursorAt(const QPointF& point, const QList<GridViewHandle>& handles,
                                 const QSizeF& frameSize, double scale, bool selected) {
    const GridViewHandle h = handleAt(point, handles, frameSize, scale);
    if (h != H::image) {
        return cursorFor(h);
    }
    if (contains(handleRect(H::image, frameSize, scale), point)) {
        return selected ? Cursor::openHand : Cursor::pointingHand;
    }
    return Cursor::none;
}

} // namespace kestrom
