#pragma once

#include "model/descriptions/MaintenanceAction.h"
#include "model/descriptions/TransportType.h"
#include "model/texts/LocalizedStringTable.h"

#include <QList>
#include <QString>

#include <memory>

namespace ambrel {

class DeviceConnection;
class DeviceDescriptor;
class MaintenanceDialog;

// A device plug-in: it describes the models it serves, makes connections to
// them and may offer dialogs of its own for maintenance actions. Plug-ins are
// registered with ConnectPluginManager when the application starts.
class ConnectPlugin {
public:
    virtual ~ConnectPlugin();

    // The description text of all models the plug-in serves (JSON).
    virtual QString deviceDescriptorsJson() const = 0;
    // A new, unopened connection to a device of the model over the transport,
    // or nothing when the plug-in does not serve the model's printer type.
    virtual std::shared_ptr<DeviceConnection>
    newConnection(const std::shared_ptr<const DeviceDescriptor>& descriptor,
                  TransportType transportType) const = 0;
    // Readies what a print to the model will need (memory, workers) in the
    // background, before the user prints; by default nothing.
    virtual void prepareForPrint(const std::shared_ptr<const DeviceDescriptor>& descriptor) const;
    // The plug-in's dialog for the action, or nothing (the default).
    virtual std::shared_ptr<MaintenanceDialog>
    makeDialog(const MaintenanceAction& action,
               const std::shared_ptr<const DeviceDescriptor>& descriptor,
               TransportType transportType) const;
    // The plug-in's resources: its string table, its movies.
    virtual const platform::Bundle* bundle() const = 0;
    // The plug-in's own texts; by default the bundle's default table.
    virtual LocalizedStringTable localizedStringTable() const;

    // The models of deviceDescriptorsJson(). A text that does not describe
    // its models properly is a defect of the plug-in: the process ends with
    // the reason.
    QList<std::shared_ptr<const DeviceDescriptor>> deviceDescriptors() const;
};

} // namespace ambrel
