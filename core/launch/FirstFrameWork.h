#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace kestrom {

// Work that can wait until a window's first frame is drawn: run once, on
// the event loop's turn after the window is first exposed and painted.
// A window already on screen runs it on the next turn; work for a window
// that is gone or never shown does not run; work for no window runs at once.
class FirstFrameWork : public QObject {
    Q_OBJECT
public:
    static void after(QWidget* window, std::function<void()> work);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FirstFrameWork(QWidget& window, std::function<void()> work);
    void runOnNextTurn();

    std::function<void()> m_work;
};

} // namespace kestrom
