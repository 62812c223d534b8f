#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace platform {

// Result codes of the USB host interface. They are the 32-bit result codes the
// transport layer classifies (time-out, no device, exclusive access, not
// responding and so on), so every backend reports failures in one vocabulary.
// Stored signed: 0xE00002C5 is a negative number.
class UsbResult {
public:
    using Code = std::int32_t;

    static constexpr Code success = 0;
    static constexpr Code error = Code(0xE00002BC); // general failure
    static constexpr Code noMemory = Code(0xE00002BD);
    static constexpr Code noResources = Code(0xE00002BE);
    static constexpr Code noDevice = Code(0xE00002C0);
    static constexpr Code notPrivileged = Code(0xE00002C1);
    static constexpr Code badArgument = Code(0xE00002C2);
    static constexpr Code exclusiveAccess = Code(0xE00002C5);
    static constexpr Code unsupported = Code(0xE00002C7);
    static constexpr Code ioError = Code(0xE00002CA);
    static constexpr Code notOpen = Code(0xE00002CD);
    static constexpr Code busy = Code(0xE00002D5);
    static constexpr Code timeout = Code(0xE00002D6);
    static constexpr Code overrun = Code(0xE00002E8);
    static constexpr Code aborted = Code(0xE00002EB);
    static constexpr Code notResponding = Code(0xE00002ED);
    static constexpr Code notFound = Code(0xE00002F0);
    static constexpr Code pipeStalled = Code(0xE000404F);
    static constexpr Code transactionTimeout = Code(0xE0004051);
    static constexpr Code unknownPipe = Code(0xE0004061);

    // A short English text for a known code, for diagnostics; nothing for an
    // unknown one.
    static std::optional<QString> reason(Code code);
};

} // namespace platform
