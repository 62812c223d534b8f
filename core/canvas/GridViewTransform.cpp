#include "core/canvas/GridViewTransform.h"

#include <cmath>

namespace kestrom {

std::optional<QTransform> GridViewTransform::makeMmToPt(const QSizeF& bounds,
                                                        const ambrel::Size_mm& printableSize,
                                                        ambrel::OffsetBase anchor,
                                                        bool includesTranslation) {
    const double W = bounds.width();
    const double H = bounds.height();
    const double scale = W / printableSize.width;
    if (!std::isfinite(scale) || scale <= 0 || !std::isfinite(H)) {
        return std::nullopt;
    }
    // Each step acts on a point before the steps already applied.
    QTransform t;
    using Hz = ambrel::OffsetBase::HorizontalPosition;
    using Vt = ambrel::OffsetBase::VerticalPosition;
    switch (anchor.horizontalPosition) {
    case Hz::left:
        break;
    case Hz::middle:
        if (includesTranslation) {
            t.translate(W / 2, 0);
        }
        break;
    case Hz::right:
        if (includesTranslation) {
            t.translate(W, 0);
        }
        t.scale(-1, 1);
        break;
    }
    switch (anchor.verticalPosition) {
    case Vt::top:
        break;
    case Vt::middle:
        t.scale(1, -1);
        if (includesTranslation) {
            t.translate(0, -H / 2);
        }
        break;
    case Vt::bottom:
        // Upward from the bottom edge, as the print places it.
        t.scale(1, -1);
        if (includesTranslation) {
            t.translate(0, -H);
        }
        break;
    }
    t.scale(scale, scale);
    return t;
}

} // namespace kestrom
