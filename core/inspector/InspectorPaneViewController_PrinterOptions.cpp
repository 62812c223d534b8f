#include "core/inspector/InspectorPaneViewController_PrinterOptions.h"

#include "core/inspector/InspectorPaneParameterStackViewController.h"

#include <QChildEvent>
#include <QVBoxLayout>

namespace kestrom {

InspectorPaneViewController_PrinterOptions::InspectorPaneViewController_PrinterOptions(
    QWidget* parent)
    : InspectorPaneViewController(parent) {
    setObjectName(QStringLiteral("PrinterOptions"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    m_parameters = new InspectorPaneParameterStackViewController;
    layout->addWidget(m_parameters);
}

void InspectorPaneViewController_PrinterOptions::childEvent(QChildEvent* event) {
    // A parameter stack inserted here shows this pane's parameters.
    if (event->added()) {
        if (auto* stack =
                qobject_cast<InspectorPaneParameterStackViewController*>(event->child())) {
            stack->setPaneIdentifier(QStringLiteral("PrinterOptions"));
        }
    }
    InspectorPaneViewController::childEvent(event);
}

} // namespace kestrom
