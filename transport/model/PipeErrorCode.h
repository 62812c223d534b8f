#pragma once

#include <QString>

namespace fennick {

// Transport failures, the codes of the "DeviceError" domain. The name of a
// code is the middle part of its text keys ("Error_pipe_<name>").
enum class PipeErrorCode : qint64 {
    timeout = 0,               // no data arrived in time
    couldNotOpen = 1,          // a device was found but failed to open
    couldNotReopen = 2,        // the device stopped responding and could not be opened again
    couldNotGetEnoughData = 3, // a read ended with fewer bytes than asked for
    noDevice = 4,              // no device matches
    noWifiDevice = 5,
    multipleDevicesFound = 6,
    couldNotSendData = 7, // a write failed
};

// "Timeout", "CouldNotOpen", ...; empty for a value outside the enumeration.
QString pipeErrorCodeName(qint64 code);

} // namespace fennick
