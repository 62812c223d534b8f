#include "transport/model/PipeErrorCode.h"

namespace fennick {

QString pipeErrorCodeName(qint64 code) {
    static const char* const names[] = {
        "Timeout",  "CouldNotOpen", "CouldNotReopen",       "CouldNotGetEnoughData",
        "NoDevice", "NoWifiDevice", "MultipleDevicesFound", "CouldNotSendData",
    };
    if (code < 0 || code >= qint64(std::size(names))) {
        return {};
    }
    return QString::fromLatin1(names[code]);
}

} // namespace fennick
