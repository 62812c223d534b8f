#pragma once

#include <QRectF>

namespace kestrom {

// Rounding to whole points and to device pixels, so that the canvas's lines
// and frames fall on pixel edges at any screen scale.
class PixelAlignment {
public:
    // The nearest whole number, halves away from zero.
    static double round(double value);
    // Every edge of the rectangle moved to the nearest device pixel edge
    // (scale device pixels per point; a scale below 1 counts as 1).
    static QRectF centerScanRect(const QRectF& rect, double scale);
    // A length rounded to whole device pixels.
    static double roundToPixels(double length, double scale);
};

} // namespace kestrom
