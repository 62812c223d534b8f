#include "core/inspector/InspectorValueSlider.h"

#include <QEvent>

#include <algorithm>
#include <cmath>

namespace kestrom {

namespace {

constexpr int fineSteps = 1000;

} // namespace

InspectorValueSlider::InspectorValueSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, fineSteps);
    setMinimumWidth(60);
    connect(this, &QSlider::valueChanged, this, [this] {
        if (!m_setting) {
            Q_EMIT valueEdited(doubleValue());
        }
    });
}

bool InspectorValueSlider::event(QEvent* event) {
    if (isSliderDown() && (event->type() == QEvent::Hide ||
                           (event->type() == QEvent::EnabledChange && !isEnabled()))) {
        setSliderDown(false);
    }
    return QSlider::event(event);
}

void InspectorValueSlider::setDoubleRange(double minimum, double maximum, int numberOfTickMarks,
                                          bool wholeNumbers) {
    const double shown = doubleValue();
    m_minimum = std::isfinite(minimum) ? minimum : 0;
    m_maximum = std::isfinite(maximum) && maximum > m_minimum ? maximum : m_minimum;
    int steps = fineSteps;
    if (wholeNumbers && m_maximum - m_minimum >= 1 && m_maximum - m_minimum <= fineSteps) {
        steps = int(std::lround(m_maximum - m_minimum));
    }
    m_setting = true;
    setRange(0, steps);
    if (numberOfTickMarks >= 2) {
        setTickPosition(QSlider::TicksBelow);
        setTickInterval(std::max(1, steps / (numberOfTickMarks - 1)));
    } else {
        setTickPosition(QSlider::NoTicks);
    }
    setSingleStep(std::max(1, steps / 100));
    setPageStep(std::max(1, steps / 10));
    m_setting = false;
    setDoubleValue(shown);
}

double InspectorValueSlider::doubleValue() const {
    if (maximum() == 0) {
        return m_minimum;
    }
    return m_minimum + (m_maximum - m_minimum) * double(value()) / double(maximum());
}

void InspectorValueSlider::setDoubleValue(double value) {
    double fraction = 0;
    if (std::isfinite(value) && m_maximum > m_minimum) {
        fraction = std::clamp((value - m_minimum) / (m_maximum - m_minimum), 0.0, 1.0);
    }
    m_setting = true;
    setValue(int(std::lround(fraction * maximum())));
    m_setting = false;
}

} // namespace kestrom
