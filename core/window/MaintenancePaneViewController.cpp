#include "core/window/MaintenancePaneViewController.h"

#include "core/window/MachineStatusManager.h"

namespace kestrom {

MaintenancePaneViewController::MaintenancePaneViewController(QWidget* parent) : QWidget(parent) {}

void MaintenancePaneViewController::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> descriptor) {
    m_deviceDescriptor = std::move(descriptor);
}

void MaintenancePaneViewController::setTransportTypeString(const QString& transportType) {
    m_transportTypeString = transportType;
    m_transportType = ambrel::TransportType::fromRawValue(transportType);
}

void MaintenancePaneViewController::setStatusManager(MachineStatusManager* manager) {
    m_statusManager = manager;
}

void MaintenancePaneViewController::setAllPanesCanClose(bool canClose) {
    m_allPanesCanClose = canClose;
}

} // namespace kestrom
