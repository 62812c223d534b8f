#include "core/inspector/InspectorStepper.h"

#include "core/inspector/InspectorNumberTextField.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QToolButton>

namespace kestrom {

InspectorStepper::InspectorStepper(InspectorNumberTextField* field, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_minus = new QToolButton(this);
    m_minus->setText(QStringLiteral("−"));
    m_plus = new QToolButton(this);
    m_plus->setText(QStringLiteral("+"));
    for (auto* button : {m_minus, m_plus}) {
        // The field keeps the keyboard; the buttons are for the mouse.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        layout->addWidget(button);
    }
    auto press = [field](int segment) {
        const bool shift = QApplication::keyboardModifiers() & Qt::ShiftModifier;
        field->plusMinusBySegmentedControl(segment, shift);
    };
    connect(m_minus, &QToolButton::clicked, field, [press] { press(0); });
    connect(m_plus, &QToolButton::clicked, field, [press] { press(1); });
}

} // namespace kestrom
