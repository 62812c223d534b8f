#pragma once

#include <QEasingCurve>

#include <functional>

namespace kestrom {

class CanvasItem;

// The canvas's small animations. Tests switch them to complete at once.
class CanvasAnimation {
public:
    static bool completesAtOnce();
    static void setCompletesAtOnce(bool atOnce);

    // Fades the item's alpha from its current value to the target, then
    // runs the completion (if any). A fade started later replaces this one.
    static void fadeTo(CanvasItem* item, qreal alpha, int duration_ms, QEasingCurve::Type curve,
                       std::function<void()> completion = {});
};

} // namespace kestrom
