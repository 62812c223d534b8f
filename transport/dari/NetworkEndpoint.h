#pragma once

#include <QString>

namespace dari {

// Where a device listens on the network: a host name or address, and a port.
struct NetworkEndpoint {
    QString host;
    quint16 port = 0;

    bool operator==(const NetworkEndpoint&) const = default;
};

} // namespace dari
