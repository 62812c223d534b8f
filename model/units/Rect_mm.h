#pragma once

#include "model/units/Point_mm.h"
#include "model/units/Size_mm.h"

#include <QRectF>

namespace ambrel {

// A rectangle in millimetres: its origin and its size.
struct Rect_mm {
    Point_mm origin;
    Size_mm size;

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }

    QRectF toQRectF() const { return {origin.x, origin.y, size.width, size.height}; }
    static Rect_mm fromQRectF(const QRectF& r) { return {{r.x(), r.y()}, {r.width(), r.height()}}; }
    bool operator==(const Rect_mm&) const = default;
};

} // namespace ambrel
