#include "core/launch/FirstFrameWork.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace kestrom {

void FirstFrameWork::after(QWidget* window, std::function<void()> work) {
    if (!window) {
        work();
        return;
    }
    new FirstFrameWork(*window, std::move(work));
}

FirstFrameWork::FirstFrameWork(QWidget& window, std::function<void()> work)
    : QObject(&window), m_work(std::move(work)) {
    window.winId();
    QWindow* handle = window.windowHandle();
    if (handle->isExposed()) {
        runOnNextTurn();
    } else {
        handle->installEventFilter(this);
    }
}

void FirstFrameWork::runOnNextTurn() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            const std::function<void()> work = std::move(m_work);
            deleteLater();
            work();
        },
        Qt::QueuedConnection);
}

bool FirstFrameWork::eventFilter(QObject* watched, QEvent* event) {
    auto* handle = qobject_cast<QWindow*>(watched);
    if (event->type() == QEvent::Expose && handle && handle->isExposed()) {
        handle->removeEventFilter(this);
        // The exposure is handled, and the frame drawn, before the next
        // turn.
        runOnNextTurn();
    }
    return false;
}

} // namespace kestrom
