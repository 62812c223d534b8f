#include "platform/usb/UsbResult.h"

namespace platform {

std::optional<QString> UsbResult::reason(Code code) {
    switch (code) {
    case success:
        return QStringLiteral("success");
    case error:
        return QStringLiteral("general error");
    case noMemory:
        return QStringLiteral("cannot allocate memory");
    case noResources:
        return QStringLiteral("resource shortage");
    case noDevice:
        return QStringLiteral("no such device");
    case notPrivileged:
        return QStringLiteral("privilege violation");
    case badArgument:
        return QStringLiteral("invalid argument");
    case exclusiveAccess:
        return QStringLiteral("device already open for exclusive access");
    case unsupported:
        return QStringLiteral("unsupported function");
    case ioError:
        return QStringLiteral("general input/output error");
    case notOpen:
        return QStringLiteral("device not open");
    case busy:
        return QStringLiteral("device busy");
    case timeout:
        return QStringLiteral("input/output timeout");
    case overrun:
        return QStringLiteral("data overrun");
    case aborted:
        return QStringLiteral("operation aborted");
    case notResponding:
        return QStringLiteral("device not responding");
    case notFound:
        return QStringLiteral("data was not found");
    case pipeStalled:
        return QStringLiteral("pipe is stalled");
    case transactionTimeout:
        return QStringLiteral("transaction timed out");
    case unknownPipe:
        return QStringLiteral("unknown pipe");
    default:
        return std::nullopt;
    }
}

} // namespace platform
