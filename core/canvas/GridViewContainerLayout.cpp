#include "core/canvas/GridViewContainerLayout.h"

#include <algorithm>
#include <cmath>

namespace kestrom {

double GridViewContainerLayout::widthPerHeight(double width_mm, double height_mm) {
    if (width_mm > 0 && height_mm > 0 && std::isfinite(width_mm) && std::isfinite(height_mm)) {
        return width_mm / height_mm;
    }
    return 1.0;
}

GridViewContainerLayout::Result GridViewContainerLayout::compute(const Input& input) {
    const double W = input.viewSize.width();
    const double H = input.viewSize.height();
    const double ratio = input.widthPerHeight > 0 && std::isfinite(input.widthPerHeight)
                             ? input.widthPerHeight
                             : 1.0;
    const bool hasAccessory = input.topAccessorySize.has_value();
    const double spacerTop = hasAccessory ? input.topAccessoryViewMargin.top() : 0.0;
    const double spacerHeight =
        hasAccessory ? input.topAccessorySize->height() + input.topAccessoryViewMargin.bottom()
                     : 0.0;

    Result result;
    const double left = input.gridViewMargin.left();
    const double right = W - input.gridViewMargin.right();
    const double top = spacerTop + spacerHeight;
    const double bottom = H - input.gridViewMargin.bottom();
    result.availableArea =
        QRectF(left, top, std::max(0.0, right - left), std::max(0.0, bottom - top));

    const QRectF& area = result.availableArea;
    double width = std::min(area.width(), area.height() * ratio);
    double height = ratio > 0 ? width / ratio : 0;
    width = std::max(0.0, width);
    height = std::max(0.0, height);
    const double x = area.left() + (area.width() - width) / 2;
    // Centred in the whole view unless that leaves the available area.
    const double y =
        std::clamp(H / 2 - height / 2, area.top(), std::max(area.top(), area.bottom() - height));
    result.gridView = QRectF(x, y, width, height);

    if (hasAccessory) {
        const QSizeF size = *input.topAccessorySize;
        const double bandTop = spacerTop;
        const double bandBottom = result.gridView.top() - input.topAccessoryViewMargin.bottom();
        const double centreY = (bandTop + bandBottom) / 2;
        result.topAccessory = QRectF(W / 2 - size.width() / 2, centreY - size.height() / 2,
                                     size.width(), size.height());
    }
    return result;
}

} // namespace kestrom
