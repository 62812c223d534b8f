#pragma once

#include "model/connections/ConnectPlugin.h"

#include <QList>

#include <memory>
#include <mutex>

namespace ambrel {

// The process-wide list of device plug-ins, in registration order. Plug-ins
// stay registered for the life of the process.
class ConnectPluginManager {
public:
    static ConnectPluginManager& shared();

    QList<std::shared_ptr<const ConnectPlugin>> plugins() const;
    // Appends the plug-ins, in order, after those already registered.
    void load(const QList<std::shared_ptr<const ConnectPlugin>>& plugins);

    // The first dialog a plug-in offers for the action, asked in registration order.
    std::shared_ptr<MaintenanceDialog>
    makeDialog(const MaintenanceAction& action,
               const std::shared_ptr<const DeviceDescriptor>& descriptor,
               TransportType transportType) const;

    ConnectPluginManager(const ConnectPluginManager&) = delete;
    ConnectPluginManager& operator=(const ConnectPluginManager&) = delete;

private:
    ConnectPluginManager() = default;

    mutable std::mutex m_mutex;
    QList<std::shared_ptr<const ConnectPlugin>> m_plugins;
};

} // namespace ambrel
