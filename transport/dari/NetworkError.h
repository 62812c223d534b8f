#pragma once

#include "platform/Error.h"

namespace dari {

// Errors of the system's network layer, with the system's reason in their
// texts. They are not transport errors of the device: callers see them as
// they are.
class NetworkError {
public:
    static const QString posixDomain;
    static const QString addressResolutionDomain;

    // An errno value.
    static platform::Error fromErrno(int error);
    // A getaddrinfo result.
    static platform::Error fromAddressResolution(int result);
};

} // namespace dari
