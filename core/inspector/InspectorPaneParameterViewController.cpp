#include "core/inspector/InspectorPaneParameterViewController.h"

#include "core/inspector/InspectorDocument.h"
#include "core/inspector/InspectorPaneBoolParameterViewController.h"
#include "core/inspector/InspectorPaneLayout.h"
#include "core/inspector/InspectorPaneNumberParameterViewController.h"
#include "core/inspector/InspectorPanePickParameterViewController.h"

#include "model/parameters/BoolParameter.h"
#include "model/parameters/NumberParameter.h"
#include "model/parameters/PickParameter.h"

#include <QGridLayout>
#include <QLabel>

namespace kestrom {

InspectorPaneParameterViewController*
InspectorPaneParameterViewController::instantiateSubclassObject(Parameter parameter) {
    if (!parameter) {
        return nullptr;
    }
    switch (parameter->kind()) {
    case ambrel::DeviceSettingParameter::Kind::number:
        return new InspectorPaneNumberParameterViewController(
            std::static_pointer_cast<const ambrel::NumberParameter>(parameter));
    case ambrel::DeviceSettingParameter::Kind::boolean:
        return new InspectorPaneBoolParameterViewController(
            std::static_pointer_cast<const ambrel::BoolParameter>(parameter));
    case ambrel::DeviceSettingParameter::Kind::pick:
        return new InspectorPanePickParameterViewController(
            std::static_pointer_cast<const ambrel::PickParameter>(parameter));
    }
    return nullptr;
}

InspectorPaneParameterViewController::InspectorPaneParameterViewController(Parameter parameter)
    : m_parameter(std::move(parameter)) {
    setObjectName(m_parameter->identifier());
    m_grid = InspectorPaneLayout::makeGrid(this, QString());
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_titleLabel =
        InspectorPaneLayout::addCaption(m_grid, 0, m_parameter->localizedLeftColumnText());
}

QString InspectorPaneParameterViewController::keyPathForValue() const {
    return QStringLiteral("document.currentDeviceSetting.") + m_parameter->identifier();
}

QVariant InspectorPaneParameterViewController::value() const {
    return document() ? document()->deviceSettingValue(m_parameter->identifier()) : QVariant();
}

void InspectorPaneParameterViewController::setValue(const QVariant& value) {
    if (document()) {
        document()->setDeviceSettingValue(m_parameter->identifier(), value);
    }
    showValue();
}

void InspectorPaneParameterViewController::documentDidChange() {
    showValue();
}

void InspectorPaneParameterViewController::documentValueChanged(const QString& keyPath) {
    if (keyPath == QLatin1String("currentDeviceSetting") ||
        keyPath == keyPathForValue().mid(int(qstrlen("document.")))) {
        showValue();
    }
}

} // namespace kestrom
