#pragma once

#include <QMarginsF>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace kestrom {

// Where the canvas and the view above it go in the canvas controller's view:
// the canvas is as large as the area inside the margins allows at the
// canvas's proportions, centred across that area and, as far as the band
// above it lets it, down the whole view; the accessory view is centred
// across the view and between the view's top and the canvas.
class GridViewContainerLayout {
public:
    struct Input {
        QSizeF viewSize;
        // Width per height of the canvas; 1 when it has no usable size.
        double widthPerHeight = 1;
        // Left, bottom and right are used.
        QMarginsF gridViewMargin{8, 0, 8, 16};
        // Only top and bottom are used.
        QMarginsF topAccessoryViewMargin{8, 0, 8, 20};
        std::optional<QSizeF> topAccessorySize;
    };

    struct Result {
        QRectF availableArea;
        QRectF gridView;
        std::optional<QRectF> topAccessory;
    };

    static Result compute(const Input& input);
    // Width per height of a canvas in millimetres; 1 unless both are positive.
    static double widthPerHeight(double width_mm, double height_mm);
};

} // namespace kestrom
