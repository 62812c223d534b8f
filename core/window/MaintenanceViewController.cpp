#include "core/window/MaintenanceViewController.h"

#include "core/window/MachineStatusManager.h"
#include "core/window/MaintenancePaneViewController_Actions.h"
#include "core/window/MaintenancePaneViewController_Status.h"

#include <QFrame>
#include <QVBoxLayout>

namespace kestrom {

MaintenanceViewController::MaintenanceViewController(QWidget* parent)
    : QWidget(parent), m_panesStackView(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("MaintenanceSheet"));
    m_panesStackView->setContentsMargins(12, 12, 12, 12);
    m_panesStackView->setSpacing(10);
}

void MaintenanceViewController::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> descriptor) {
    m_deviceDescriptor = std::move(descriptor);
    for (MaintenancePaneViewController* pane : m_panes) {
        pane->setDeviceDescriptor(m_deviceDescriptor);
    }
}

void MaintenanceViewController::setTransportType(const QString& transportType) {
    m_transportType = transportType;
    for (MaintenancePaneViewController* pane : m_panes) {
        pane->setTransportTypeString(m_transportType);
    }
}

void MaintenanceViewController::setStatusManager(MachineStatusManager* manager) {
    m_statusManager = manager;
    for (MaintenancePaneViewController* pane : m_panes) {
        pane->setStatusManager(manager);
    }
}

void MaintenanceViewController::showEvent(QShowEvent* event) {
    rebuildPanes();
    QWidget::showEvent(event);
}

void MaintenanceViewController::rebuildPanes() {
    QList<MaintenancePaneViewController*> panes;
    if (m_deviceDescriptor && !m_deviceDescriptor->maintenanceActions().isEmpty()) {
        panes << new MaintenancePaneViewController_Actions(this);
    }
    panes << new MaintenancePaneViewController_Status(this);

    for (MaintenancePaneViewController* old : std::as_const(m_panes)) {
        old->disconnect(this);
        old->deleteLater();
        old->hide();
    }
    while (QLayoutItem* item = m_panesStackView->takeAt(0)) {
        if (item->widget() && !m_panes.contains(item->widget())) {
            delete item->widget();
        }
        delete item;
    }

    m_panes = panes;
    for (MaintenancePaneViewController* pane : std::as_const(m_panes)) {
        pane->setMaintenanceWindow(m_window);
        pane->setTransportTypeString(m_transportType);
        pane->setStatusManager(m_statusManager);
        pane->setDeviceDescriptor(m_deviceDescriptor);
        connect(pane, &MaintenancePaneViewController::canCloseChanged, this,
                &MaintenanceViewController::updateCanClose);
        if (m_panesStackView->count() > 0) {
            auto* separator = new QFrame(this);
            separator->setFrameShape(QFrame::HLine);
            separator->setFrameShadow(QFrame::Plain);
            separator->setForegroundRole(QPalette::Mid);
            m_panesStackView->addWidget(separator);
            separator->show();
        }
        m_panesStackView->addWidget(pane);
        pane->show();
    }
    updateCanClose();
}

void MaintenanceViewController::updateCanClose() {
    bool canClose = true;
    for (MaintenancePaneViewController* pane : std::as_const(m_panes)) {
        if (!pane->canClose()) {
            canClose = false;
            break;
        }
    }
    setCanClose(canClose);
}

void MaintenanceViewController::setCanClose(bool canClose) {
    const bool changed = canClose != m_canClose;
    m_canClose = canClose;
    for (MaintenancePaneViewController* pane : std::as_const(m_panes)) {
        pane->setAllPanesCanClose(canClose);
    }
    if (changed) {
        emit canCloseChanged(canClose);
    }
}

} // namespace kestrom
