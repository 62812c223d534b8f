#pragma once

#include "core/window/MachineStatusManager.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/TransportType.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace kestrom {

class MaintenanceWindow;

// One pane of the maintenance popover. The container hands every pane its
// model, transport, status manager and whether all panes can close.
class MaintenancePaneViewController : public QWidget {
    Q_OBJECT
public:
    explicit MaintenancePaneViewController(QWidget* parent = nullptr);

    const std::shared_ptr<const ambrel::DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    virtual void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> descriptor);
    std::optional<ambrel::TransportType> transportType() const { return m_transportType; }
    const QString& transportTypeString() const { return m_transportTypeString; }
    void setTransportTypeString(const QString& transportType);
    MachineStatusManager* statusManager() const { return m_statusManager; }
    virtual void setStatusManager(MachineStatusManager* manager);
    bool allPanesCanClose() const { return m_allPanesCanClose; }
    virtual void setAllPanesCanClose(bool canClose);
    MaintenanceWindow* maintenanceWindow() const { return m_window; }
    void setMaintenanceWindow(MaintenanceWindow* window) { m_window = window; }

    virtual bool canClose() const { return true; }

Q_SIGNALS:
    void canCloseChanged();

private:
    std::shared_ptr<const ambrel::DeviceDescriptor> m_deviceDescriptor;
    std::optional<ambrel::TransportType> m_transportType;
    QString m_transportTypeString;
    QPointer<MachineStatusManager> m_statusManager;
    bool m_allPanesCanClose = false;
    MaintenanceWindow* m_window = nullptr;
};

} // namespace kestrom
