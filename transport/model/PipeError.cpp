#include "transport/model/PipeError.h"

#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/usb/LibusbResult.h"
#include "transport/model/FennickText.h"

namespace fennick {

platform::Error PipeErrorMakeWithCode(qint64 code) {
    const QString name = pipeErrorCodeName(code);
    const QString key = name.isEmpty() ? QString() : QStringLiteral("Error_pipe_%1").arg(name);
    const QString recoveryKey =
        name.isEmpty() ? QString() : QStringLiteral("Error_pipe_%1_recoverySuggestion").arg(name);
    platform::Log::lineWithCallStack(key);

    platform::Error::UserInfo info;
    info.localizedDescription = FennickText::text(key);
    if (!recoveryKey.isEmpty()) {
        info.localizedRecoverySuggestion = FennickText::text(recoveryKey);
    }
    return platform::Error(DeviceErrorDomain, code, std::move(info));
}

std::optional<platform::Error> MakeNSErrorWithIOReturn(IOReturn result) {
    using R = platform::UsbResult;
    switch (result) {
    case R::success:
        return std::nullopt;
    case R::noDevice:
        return PipeErrorMakeWithCode(PipeErrorCode::noDevice);
    case R::timeout:
    case R::transactionTimeout:
        return PipeErrorMakeWithCode(PipeErrorCode::timeout);
    default:
        break;
    }
    const QString reason = R::reason(result).value_or(QStringLiteral("Unknown reason"));
    platform::Log::lineWithCallStack(QStringLiteral("IOKit error: %1").arg(reason));

    platform::Error::UserInfo info;
    // Named as libusb names it; the code stays the result, for scripts.
    info.localizedDescription =
        platform::StringFormat::format(FennickText::text(QStringLiteral("Error_ioKit")),
                                       {reason, platform::LibusbResult::errorName(result)});
    // Reconnecting does not free a device another program holds.
    info.localizedRecoverySuggestion =
        FennickText::text(result == R::exclusiveAccess
                              ? QStringLiteral("Error_ioKit_exclusiveAccess_recoverySuggestion")
                              : QStringLiteral("Error_ioKit_recoverySuggestion"));
    return platform::Error(DeviceControllerIOKitErrorDomain, result, std::move(info));
}

platform::Error errorWithDeviceErrorCode(qint64 code) {
    return platform::Error(DeviceErrorDomain, code);
}

std::optional<PipeErrorCode> pipeErrorCode(const platform::Error& error) {
    if (error.domain() != DeviceErrorDomain) {
        return std::nullopt;
    }
    return PipeErrorCode(error.code());
}

std::optional<PipeErrorCode> pipeErrorCode(const std::exception& error) {
    const auto* platformError = dynamic_cast<const platform::Error*>(&error);
    return platformError ? pipeErrorCode(*platformError) : std::nullopt;
}

std::optional<IOReturn> ioReturn(const platform::Error& error) {
    if (error.domain() != DeviceControllerIOKitErrorDomain) {
        return std::nullopt;
    }
    return IOReturn(error.code());
}

std::optional<IOReturn> ioReturn(const std::exception& error) {
    const auto* platformError = dynamic_cast<const platform::Error*>(&error);
    return platformError ? ioReturn(*platformError) : std::nullopt;
}

} // namespace fennick
