#pragma once

#include "model/pictures/OffsetBase.h"
#include "model/units/Size_mm.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace kestrom {

// The millimetre grid of the canvas: a line every 5 mm counted from the
// anchor, darker every 50 mm, drawn as filled rectangles on device pixels.
class GridLineList {
public:
    struct IndexRange {
        int lower = 0; // first index
        int upper = 0; // not drawn itself
        bool operator==(const IndexRange&) const = default;
    };
    struct Line {
        QRectF rect;
        double gray = 0; // white level of the fill
        bool vertical = true;
        int index = 0;
    };

    static constexpr double spacing_mm = 5;
    static constexpr double minorGray = 2.0 / 3.0;
    static constexpr double majorGray = 0.55;

    // Whole millimetres on one axis: symmetric multiples of 5 about the
    // centre for a middle anchor, else 0 up to the truncated size.
    static IndexRange indexRange(bool middle, double size_mm);
    // One device pixel for minor lines on a fine screen; wider at the anchor.
    static double lineWidth(int index, double scale);
    static QRectF verticalLineRect(double mm, double width, const QSizeF& bounds,
                                   const QTransform& mmToPt, double scale);
    static QRectF horizontalLineRect(double mm, double width, const QSizeF& bounds,
                                     const QTransform& mmToPt, double scale);

    // Every line in drawing order: the minor lines (vertical, then
    // horizontal), then the multiples of 50. Lines that touch the outer
    // half-point strips are left to the frame. Nothing for a size that is
    // zero, negative or not finite.
    static QList<Line> lines(const QSizeF& bounds, const ambrel::Size_mm& printableSize,
                             ambrel::OffsetBase anchor, double scale);
};

} // namespace kestrom
