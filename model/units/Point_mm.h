#pragma once

#include <QPointF>

namespace ambrel {

// A point in millimetres on a canvas.
struct Point_mm {
    double x = 0;
    double y = 0;

    QPointF toQPointF() const { return {x, y}; }
    static Point_mm fromQPointF(const QPointF& p) { return {p.x(), p.y()}; }
    bool operator==(const Point_mm&) const = default;
};

} // namespace ambrel
