#pragma once

#include "core/window/MachineStatusManager.h"
#include "model/descriptions/DeviceDescriptor.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace kestrom {

class MaintenancePaneViewController;
class MaintenanceWindow;

// The content of the maintenance popover: the actions pane (for models with
// maintenance actions) above the status pane, rebuilt on every appearance.
// It can close only while every pane can.
class MaintenanceViewController : public QWidget {
    Q_OBJECT
public:
    explicit MaintenanceViewController(QWidget* parent = nullptr);

    const std::shared_ptr<const ambrel::DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> descriptor);
    const QString& transportType() const { return m_transportType; }
    void setTransportType(const QString& transportType);
    MachineStatusManager* statusManager() const { return m_statusManager; }
    void setStatusManager(MachineStatusManager* manager);
    void setMaintenanceWindow(MaintenanceWindow* window) { m_window = window; }

    const QList<MaintenancePaneViewController*>& paneViewControllers() const { return m_panes; }
    bool canClose() const { return m_canClose; }

    // Builds the panes for the current model; done on every appearance.
    void rebuildPanes();

Q_SIGNALS:
    void canCloseChanged(bool canClose);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateCanClose();
    void setCanClose(bool canClose);

    QVBoxLayout* m_panesStackView;
    QList<MaintenancePaneViewController*> m_panes;
    std::shared_ptr<const ambrel::DeviceDescriptor> m_deviceDescriptor;
    QString m_transportType;
    QPointer<MachineStatusManager> m_statusManager;
    MaintenanceWindow* m_window = nullptr;
    bool m_canClose = true;
};

} // namespace kestrom
