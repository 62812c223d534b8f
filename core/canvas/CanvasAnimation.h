#pragma once

#include <QEasingCurve>

class QGraphicsObject;

namespace kestrom {

// The canvas's small animations. Tests switch them to complete at once.
class CanvasAnimation {
public:
    static bool completesAtOnce();
    static void setCompletesAtOnce(bool atOnce);

    // Fades the item's opacity from its current value to the target.
    static void fadeTo(QGraphicsObject* item, qreal opacity, int duration_ms,
                       QEasingCurve::Type curve);
};

} // namespace kestrom
