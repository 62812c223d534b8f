#pragma once

#include "model/columns/BlackWhiteSendable.h"
#include "model/connections/DeviceConnection.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Log.h"

#include <typeinfo>

namespace quenta {

// The splitting is offered only to device connections that send black and
// white columns; this finds the connection behind an adopter.
class SplittingConnection {
public:
    // The model of the connection that adopts the splitting; ends the process
    // for an adopter that is not such a connection or has no model.
    template <typename Adopter>
    static const ambrel::DeviceDescriptor& deviceDescriptor(const Adopter* adopter) {
        const auto* connection = dynamic_cast<const ambrel::DeviceConnection*>(adopter);
        const auto* sendable = dynamic_cast<const ambrel::BlackWhiteSendable*>(adopter);
        if (!connection || !sendable || !connection->deviceDescriptor()) {
            platform::Log::fatal(
                QStringLiteral("%1 splits pictures but is no black-and-white device connection.")
                    .arg(QString::fromLatin1(typeid(*adopter).name())));
        }
        return *connection->deviceDescriptor();
    }
};

} // namespace quenta
