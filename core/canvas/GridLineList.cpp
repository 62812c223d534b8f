#include "core/canvas/GridLineList.h"

#include "core/canvas/GridViewTransform.h"
#include "core/canvas/PixelAlignment.h"

#include <cmath>

namespace kestrom {

namespace {

// More lines than any screen can show: such a size is not drawn at all.
constexpr double maximumSize_mm = 100000;

// The x (or y) of a line, moved so that the line's width sits on it.
double placed(double position, double width, double extent) {
    if (width <= 1.5) {
        return position - width / 2;
    }
    if (position == 0) {
        return position;
    }
    if (position == extent) {
        return position - width;
    }
    return position - width / 2;
}

} // namespace

GridLineList::IndexRange GridLineList::indexRange(bool middle, double size_mm) {
    if (!std::isfinite(size_mm) || size_mm <= 0 || size_mm > maximumSize_mm) {
        return {};
    }
    if (!middle) {
        return {0, int(size_mm)};
    }
    const int half = int(size_mm / 2);
    return {-half - ((-half) % 5), half + (half % 5)};
}

double GridLineList::lineWidth(int index, double scale) {
    if (scale > 1) {
        if (index == 0) {
            return 1.5;
        }
        return index % 10 == 0 ? 1.0 : 1.0 / scale;
    }
    return index == 0 ? 2.0 : 1.0;
}

QRectF GridLineList::verticalLineRect(double mm, double width, const QSizeF& bounds,
                                      const QTransform& mmToPt, double scale) {
    const double x = placed(mmToPt.map(QPointF(mm, 0)).x(), width, bounds.width());
    const double H = bounds.height();
    return PixelAlignment::centerScanRect(QRectF(x, -6 * H, width, 13 * H), scale);
}

QRectF GridLineList::horizontalLineRect(double mm, double width, const QSizeF& bounds,
                                        const QTransform& mmToPt, double scale) {
    const double y = placed(mmToPt.map(QPointF(0, mm)).y(), width, bounds.height());
    const double W = bounds.width();
    return PixelAlignment::centerScanRect(QRectF(-6 * W, y, 13 * W, width), scale);
}

QList<GridLineList::Line> GridLineList::lines(const QSizeF& bounds,
                                              const ambrel::Size_mm& printableSize,
                                              ambrel::OffsetBase anchor, double scale) {
    QList<Line> result;
    const auto mmToPt = GridViewTransform::makeMmToPt(bounds, printableSize, anchor, true);
    if (!mmToPt || !std::isfinite(printableSize.height)) {
        return result;
    }
    using Hz = ambrel::OffsetBase::HorizontalPosition;
    using Vt = ambrel::OffsetBase::VerticalPosition;
    const IndexRange across =
        indexRange(anchor.horizontalPosition == Hz::middle, printableSize.width);
    const IndexRange down = indexRange(anchor.verticalPosition == Vt::middle, printableSize.height);
    const double W = bounds.width();
    const double H = bounds.height();
    const QRectF left(0, 0, 0.5, H);
    const QRectF right(W - 0.5, 0, 0.5, H);
    const QRectF top(0, 0, W, 0.5);
    const QRectF bottom(0, H - 0.5, W, 0.5);

    for (const bool major : {false, true}) {
        for (const bool vertical : {true, false}) {
            const IndexRange range = vertical ? across : down;
            for (int i = range.lower; i < range.upper; i += int(spacing_mm)) {
                if ((i % 50 == 0) != major) {
                    continue;
                }
                const double w = lineWidth(i, scale);
                const QRectF rect = vertical ? verticalLineRect(i, w, bounds, *mmToPt, scale)
                                             : horizontalLineRect(i, w, bounds, *mmToPt, scale);
                const bool touchesEdge = vertical ? rect.intersects(left) || rect.intersects(right)
                                                  : rect.intersects(top) || rect.intersects(bottom);
                if (touchesEdge) {
                    continue;
                }
                result.append({rect, major ? majorGray : minorGray, vertical, i});
            }
        }
    }
    return result;
}

} // namespace kestrom
