#include "core/inspector/InspectorPaneBoolParameterViewController.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace kestrom {

InspectorPaneBoolParameterViewController::InspectorPaneBoolParameterViewController(
    std::shared_ptr<const ambrel::BoolParameter> parameter)
    : InspectorPaneParameterViewController(parameter), m_boolParameter(std::move(parameter)) {
    m_checkbox = new QCheckBox(m_boolParameter->localizedCheckboxTitleText(), this);
    grid()->addWidget(m_checkbox, 0, 1, 1, 2);
    titleLabel()->setBuddy(m_checkbox);
    connect(m_checkbox, &QCheckBox::clicked, this,
            [this](bool checked) { setValue(m_boolParameter->negates() ? !checked : checked); });
    showValue();
}

void InspectorPaneBoolParameterViewController::showValue() {
    // An absent value reads as off, as a switch without a default is.
    const bool stored = value().toBool();
    m_checkbox->setChecked(m_boolParameter->negates() ? !stored : stored);
}

} // namespace kestrom
