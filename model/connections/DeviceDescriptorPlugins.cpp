// The model descriptions' ties to the plug-ins that serve them: the models
// supported, a new connection for a model, and the readying of a print. They
// sit with the connections, which the descriptions do not know.

#include "model/descriptions/DeviceDescriptor.h"

#include "model/connections/ConnectPluginManager.h"
#include "platform/Log.h"

namespace ambrel {

const QList<std::shared_ptr<const DeviceDescriptor>>& DeviceDescriptor::supported() {
    // A local static is initialised exactly once, even when first read from
    // several threads at the same time.
    static const QList<std::shared_ptr<const DeviceDescriptor>> all = [] {
        QList<std::shared_ptr<const DeviceDescriptor>> list;
        for (const auto& plugin : ConnectPluginManager::shared().plugins()) {
            list.append(plugin->deviceDescriptors());
        }
        return list;
    }();
    return all;
}

std::shared_ptr<DeviceConnection>
DeviceDescriptor::newConnection(TransportType transportType) const {
    const auto self = shared_from_this();
    for (const auto& plugin : ConnectPluginManager::shared().plugins()) {
        if (auto connection = plugin->newConnection(self, transportType)) {
            return connection;
        }
    }
    platform::Log::fatal(QStringLiteral("printerType \"") + m_printerType +
                         QStringLiteral("\" is not available."));
}

void DeviceDescriptor::prepareForPrint() const {
    const auto self = shared_from_this();
    for (const auto& plugin : ConnectPluginManager::shared().plugins()) {
        plugin->prepareForPrint(self);
    }
}

} // namespace ambrel
