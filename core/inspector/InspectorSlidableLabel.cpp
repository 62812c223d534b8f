#include "core/inspector/InspectorSlidableLabel.h"

#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorPaneViewController.h"

#include <QMouseEvent>

#include <cmath>

namespace kestrom {

namespace {

constexpr double pointsPerUnit = 5.0;

} // namespace

InspectorSlidableLabel::InspectorSlidableLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent) {}

void InspectorSlidableLabel::setTargetTextField(InspectorNumberTextField* field) {
    if (m_target) {
        disconnect(m_target, nullptr, this, nullptr);
    }
    m_target = field;
    setBuddy(field);
    updateCursor();
}

void InspectorSlidableLabel::updateCursor() {
    if (isEnabled() && m_target && m_target->isEnabled()) {
        setCursor(Qt::SizeHorCursor);
    } else {
        unsetCursor();
    }
}

bool InspectorSlidableLabel::event(QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::EnabledChange) {
        updateCursor();
    }
    // A drag whose release can no longer come ends where it began.
    if (event->type() == QEvent::Hide || (event->type() == QEvent::EnabledChange && !isEnabled())) {
        endTracking(false);
    }
    return QLabel::event(event);
}

void InspectorSlidableLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_target || !isEnabled() || !m_target->isEnabled() ||
        m_target->window() != window()) {
        return;
    }
    m_target->setFocus(Qt::MouseFocusReason);
    const auto start = InspectorNumberTextField::evaluate(m_target->text(), m_target->formatter());
    if (!start) {
        return;
    }
    m_startValue = m_target->clamp(*start);
    m_startPoint = event->position();
    m_previousPoint = m_startPoint;
    m_tracking = true;
    m_pane = InspectorPaneViewController::paneOf(this);
    if (m_pane) {
        m_pane->beginContinuousEdit();
    }
}

void InspectorSlidableLabel::mouseMoveEvent(QMouseEvent* event) {
    if (!m_tracking || !m_target) {
        return;
    }
    const QPointF p = event->position();
    const double before = m_previousPoint.x() - m_startPoint.x();
    const double now = p.x() - m_startPoint.x();
    double dx = now;
    // Crossing the start point, or landing on it, snaps to the start value.
    if (now == 0 || (before < 0 && now > 0) || (before > 0 && now < 0)) {
        dx = 0;
        m_previousPoint = m_startPoint;
    } else {
        m_previousPoint = p;
    }
    const double value = m_target->clamp(m_startValue + std::round(dx / pointsPerUnit));
    if (auto text = m_target->formatter().string(value)) {
        m_target->setText(*text);
    }
}

void InspectorSlidableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        endTracking(true);
    }
}

void InspectorSlidableLabel::endTracking(bool commits) {
    if (!m_tracking) {
        return;
    }
    m_tracking = false;
    if (m_target) {
        if (commits) {
            m_target->replaceText(m_target->text());
        } else if (auto start = m_target->formatter().string(m_startValue)) {
            m_target->setText(*start);
        }
    }
    if (m_pane) {
        m_pane->endContinuousEdit();
    }
    m_pane = nullptr;
}

} // namespace kestrom
