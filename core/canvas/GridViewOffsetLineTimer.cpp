#include "core/canvas/GridViewOffsetLineTimer.h"

namespace kestrom {

GridViewOffsetLineTimer::GridViewOffsetLineTimer(QObject* parent) : QObject(parent) {}

void GridViewOffsetLineTimer::setShowing(bool showing) {
    if (m_showing == showing) {
        return;
    }
    m_showing = showing;
    emit showingChanged(showing);
}

void GridViewOffsetLineTimer::showTemporarily() {
    if (m_timer && m_timer->isActive()) {
        m_timer->start(); // the same timer, its interval counted anew
    } else {
        dropTimer();
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        m_timer->setInterval(interval_ms);
        connect(m_timer, &QTimer::timeout, this, &GridViewOffsetLineTimer::hide);
        m_timer->start();
    }
    setShowing(true);
}

void GridViewOffsetLineTimer::showUntilHidden() {
    dropTimer();
    setShowing(true);
}

void GridViewOffsetLineTimer::hide() {
    dropTimer();
    setShowing(false);
}

void GridViewOffsetLineTimer::dropTimer() {
    if (m_timer) {
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
    }
}

} // namespace kestrom
