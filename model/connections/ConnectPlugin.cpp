#include "model/connections/ConnectPlugin.h"

#include "model/descriptions/DeviceDescriptor.h"
#include "model/errors/DecodingError.h"
#include "platform/Log.h"

namespace ambrel {

ConnectPlugin::~ConnectPlugin() = default;

std::shared_ptr<MaintenanceDialog>
ConnectPlugin::makeDialog(const MaintenanceAction&, const std::shared_ptr<const DeviceDescriptor>&,
                          TransportType) const {
    return nullptr;
}

void ConnectPlugin::prepareForPrint(const std::shared_ptr<const DeviceDescriptor>&) const {}

LocalizedStringTable ConnectPlugin::localizedStringTable() const {
    return LocalizedStringTable(bundle());
}

QList<std::shared_ptr<const DeviceDescriptor>> ConnectPlugin::deviceDescriptors() const {
    try {
        return DeviceDescriptor::deviceDescriptors(deviceDescriptorsJson().toUtf8(), bundle());
    } catch (const DecodingError& e) {
        platform::Log::fatal(QStringLiteral("invalid device descriptions: ") +
                             e.localizedDescription() + QStringLiteral(" (") +
                             e.debugDescription() + u')');
    } catch (const platform::Error& e) {
        platform::Log::fatal(QStringLiteral("invalid device descriptions: ") +
                             e.localizedDescription());
    }
}

} // namespace ambrel
