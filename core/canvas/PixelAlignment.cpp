#include "core/canvas/PixelAlignment.h"

#include <cmath>

namespace kestrom {

namespace {

double usableScale(double scale) {
    return std::isfinite(scale) && scale > 1.0 ? scale : 1.0;
}

} // namespace

double PixelAlignment::round(double value) {
    return std::round(value);
}

QRectF PixelAlignment::centerScanRect(const QRectF& rect, double scale) {
    const double s = usableScale(scale);
    // Halves go the same way on every edge, so a width of whole pixels stays.
    const auto edge = [s](double v) { return std::floor(v * s + 0.5) / s; };
    const double left = edge(rect.left());
    const double top = edge(rect.top());
    const double right = edge(rect.right());
    const double bottom = edge(rect.bottom());
    return QRectF(left, top, right - left, bottom - top);
}

double PixelAlignment::roundToPixels(double length, double scale) {
    const double s = usableScale(scale);
    return std::round(length * s) / s;
}

} // namespace kestrom
