#include "model/connections/ConnectPluginManager.h"

namespace ambrel {

ConnectPluginManager& ConnectPluginManager::shared() {
    static ConnectPluginManager manager;
    return manager;
}

QList<std::shared_ptr<const ConnectPlugin>> ConnectPluginManager::plugins() const {
    std::lock_guard lock(m_mutex);
    return m_plugins;
}

void ConnectPluginManager::load(const QList<std::shared_ptr<const ConnectPlugin>>& plugins) {
    std::lock_guard lock(m_mutex);
    m_plugins.append(plugins);
}

std::shared_ptr<MaintenanceDialog>
ConnectPluginManager::makeDialog(const MaintenanceAction& action,
                                 const std::shared_ptr<const DeviceDescriptor>& descriptor,
                                 TransportType transportType) const {
    for (const auto& plugin : plugins()) {
        if (auto dialog = plugin->makeDialog(action, descriptor, transportType)) {
            return dialog;
        }
    }
    return nullptr;
}

} // namespace ambrel
