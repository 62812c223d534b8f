#include "core/inspector/InspectorPaneNumberParameterViewController.h"

#include "core/document/job/OptionValue.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorValueSlider.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace kestrom {

InspectorPaneNumberParameterViewController::InspectorPaneNumberParameterViewController(
    std::shared_ptr<const ambrel::NumberParameter> parameter)
    : InspectorPaneParameterViewController(parameter), m_numberParameter(std::move(parameter)) {
    m_slider = new InspectorValueSlider(this);
    m_slider->setDoubleRange(m_numberParameter->min(), m_numberParameter->max(),
                             int(m_numberParameter->numberOfSteps()));
    m_numberLabel = new InspectorNumberTextField(this);
    NumberFormatter formatter;
    formatter.setMinimum(m_numberParameter->min());
    formatter.setMaximum(m_numberParameter->max());
    formatter.setMaximumFractionDigits(3);
    m_numberLabel->setFormatter(formatter);
    // Room for the longest value of the range with its fraction digits.
    const double largest =
        std::max(std::abs(m_numberParameter->min()), std::abs(m_numberParameter->max()));
    const int digits =
        std::isfinite(largest) && largest >= 1 ? std::min(9, int(std::log10(largest)) + 1) : 1;
    m_numberLabel->setFixedWidth(QFontMetrics(m_numberLabel->font())
                                     .horizontalAdvance(QStringLiteral("-") +
                                                        QString(digits, QLatin1Char('0')) +
                                                        QStringLiteral(".000")) +
                                 16);
    grid()->addWidget(m_slider, 0, 1);
    grid()->addWidget(m_numberLabel, 0, 2);
    titleLabel()->setBuddy(m_numberLabel);
    // The caption is the field's; the slider beside it says the same.
    m_slider->setAccessibleName(titleLabel()->text());
    makeControlFontsMonospacedDigit({m_numberLabel});

    connectSlider(m_slider, [this](double value) { changeValue(value); });
    connect(m_numberLabel, &InspectorNumberTextField::committed, this,
            [this] { changeValue(m_numberLabel->doubleValue()); });
    showValue();
}

void InspectorPaneNumberParameterViewController::changeValue(double value) {
    if (!std::isfinite(value)) {
        return;
    }
    setValue(m_numberParameter->constrainValue(value));
}

void InspectorPaneNumberParameterViewController::showValue() {
    // A stored value that is no number shows 0; fractions show as they are.
    const double number = OptionValue::finiteNumber(value()).value_or(0);
    m_slider->setDoubleValue(number);
    if (!m_numberLabel->hasFocus() || !m_numberLabel->isModified()) {
        m_numberLabel->setDoubleValue(number);
    }
}

} // namespace kestrom
