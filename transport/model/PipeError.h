#pragma once

#include "platform/Error.h"
#include "platform/usb/UsbResult.h"
#include "transport/model/PipeErrorCode.h"

#include <exception>
#include <optional>

namespace fennick {

// A USB host result code (see platform::UsbResult).
using IOReturn = platform::UsbResult::Code;

// The two domains of transport errors.
inline const QString DeviceErrorDomain = QStringLiteral("DeviceError");
inline const QString DeviceControllerIOKitErrorDomain =
    QStringLiteral("DeviceControllerIOKitError");

// A "DeviceError" with the code's texts from the "Fennick" table. Writes a
// diagnostic line with the call stack. A code outside the enumeration gets
// an empty description and no recovery suggestion.
platform::Error PipeErrorMakeWithCode(qint64 code);
inline platform::Error PipeErrorMakeWithCode(PipeErrorCode code) {
    return PipeErrorMakeWithCode(qint64(code));
}

// The error a USB host result stands for: nothing for success, "NoDevice"
// and "Timeout" for the results that mean those, else a
// "DeviceControllerIOKitError" error carrying the result (with a diagnostic
// line).
std::optional<platform::Error> MakeNSErrorWithIOReturn(IOReturn result);

// A bare "DeviceError": no texts, no diagnostic line.
platform::Error errorWithDeviceErrorCode(qint64 code);
inline platform::Error errorWithDeviceErrorCode(PipeErrorCode code) {
    return errorWithDeviceErrorCode(qint64(code));
}

// The code of a "DeviceError", else nothing. Any other exception has none.
std::optional<PipeErrorCode> pipeErrorCode(const platform::Error& error);
std::optional<PipeErrorCode> pipeErrorCode(const std::exception& error);
// The result of a "DeviceControllerIOKitError", else nothing.
std::optional<IOReturn> ioReturn(const platform::Error& error);
std::optional<IOReturn> ioReturn(const std::exception& error);

} // namespace fennick
