#include "core/inspector/InspectorPaneParameterStackViewController.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorPaneParameterViewController.h"

#include <QVBoxLayout>

namespace kestrom {

InspectorPaneParameterStackViewController::InspectorPaneParameterStackViewController(
    QWidget* parent)
    : InspectorPaneViewController(parent) {
    m_stackView = new QVBoxLayout(this);
    m_stackView->setContentsMargins(0, 0, 0, 0);
    m_stackView->setSpacing(10);
}

void InspectorPaneParameterStackViewController::setParameters(
    QList<std::shared_ptr<const ambrel::DeviceSettingParameter>> parameters) {
    m_parameters = std::move(parameters);
    setViews({});
    updateParameterViewControllers();
}

void InspectorPaneParameterStackViewController::updateParameterViewControllers() {
    setViews({});
    m_builtWithSetting = document() && document()->currentDeviceSetting();
    if (!m_builtWithSetting) {
        return;
    }
    QList<InspectorPaneParameterViewController*> editors;
    for (const auto& parameter : m_parameters) {
        if (parameter->paneIdentifier() != m_paneIdentifier) {
            continue;
        }
        if (auto* editor =
                InspectorPaneParameterViewController::instantiateSubclassObject(parameter)) {
            editors.append(editor);
        }
    }
    setViews(editors);
}

void InspectorPaneParameterStackViewController::setViews(
    const QList<InspectorPaneParameterViewController*>& controllers) {
    for (auto* old : m_parameterViewControllers) {
        // Later: the editor may be inside its own signal.
        m_stackView->removeWidget(old);
        old->hide();
        old->setDocument(nullptr);
        old->setParent(nullptr);
        old->deleteLater();
    }
    m_parameterViewControllers = controllers;
    for (auto* editor : controllers) {
        // Adding it as a child gives it this pane's document.
        m_stackView->addWidget(editor);
    }
    updateGeometry();
}

void InspectorPaneParameterStackViewController::takeParametersFromDocument() {
    const auto device = document() ? document()->deviceDescriptor() : nullptr;
    m_parameters = device ? device->parameterProperties()
                          : QList<std::shared_ptr<const ambrel::DeviceSettingParameter>>();
    updateParameterViewControllers();
}

void InspectorPaneParameterStackViewController::documentDidChange() {
    takeParametersFromDocument();
}

void InspectorPaneParameterStackViewController::observeDocument(PrintDocument& document) {
    observe(DocumentKey::deviceDescriptor, [this] { takeParametersFromDocument(); });
    observe(DocumentKey::currentDeviceSetting, [this, &document] {
        if (m_builtWithSetting != (document.currentDeviceSetting() != nullptr)) {
            updateParameterViewControllers();
        }
    });
}

} // namespace kestrom
