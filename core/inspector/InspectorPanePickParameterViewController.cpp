#include "core/inspector/InspectorPanePickParameterViewController.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace kestrom {

InspectorPanePickParameterViewController::InspectorPanePickParameterViewController(
    std::shared_ptr<const ambrel::PickParameter> parameter)
    : InspectorPaneParameterViewController(parameter), m_pickParameter(std::move(parameter)) {
    m_popUpButton = new QComboBox(this);
    for (const auto& item : m_pickParameter->items()) {
        m_popUpButton->addItem(item->localizedName(), item->identifier());
    }
    grid()->addWidget(m_popUpButton, 0, 1, 1, 2);
    titleLabel()->setBuddy(m_popUpButton);
    connect(m_popUpButton, &QComboBox::activated, this,
            &InspectorPanePickParameterViewController::changeValue);
    showValue();
}

void InspectorPanePickParameterViewController::changeValue(int index) {
    const auto& items = m_pickParameter->items();
    if (index < 0 || index >= items.size()) {
        return;
    }
    setValue(items[index]->identifier());
}

void InspectorPanePickParameterViewController::showValue() {
    // A value that is no text, or names no item, leaves the choice as it is.
    const QVariant stored = value();
    if (stored.typeId() != QMetaType::QString) {
        return;
    }
    const auto& items = m_pickParameter->items();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i]->identifier() == stored.toString()) {
            m_popUpButton->setCurrentIndex(int(i));
            return;
        }
    }
}

} // namespace kestrom
