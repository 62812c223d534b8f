#pragma once

#include <QObject>
#include <QTimer>

namespace kestrom {

// When the canvas shows the picture's offset lines: for half a second after
// the last nudge (one timer, re-armed by every nudge), or for the whole of a
// drag.
class GridViewOffsetLineTimer : public QObject {
    Q_OBJECT

public:
    static constexpr int interval_ms = 500;

    explicit GridViewOffsetLineTimer(QObject* parent = nullptr);

    bool isShowing() const { return m_showing; }
    // Sets the state without touching the timer.
    void setShowing(bool showing);
    // Shows the lines until half a second after the last call.
    void showTemporarily();
    // Shows the lines with no timer (a drag begins).
    void showUntilHidden();
    // Drops the timer and hides the lines.
    void hide();
    // The timer that hides the lines, while one is held.
    const QTimer* hideTimer() const { return m_timer; }

signals:
    void showingChanged(bool showing);

private:
    void dropTimer();

    QTimer* m_timer = nullptr;
    bool m_showing = false;
};

} // namespace kestrom
