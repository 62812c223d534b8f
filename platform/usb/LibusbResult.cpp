#include "platform/usb/LibusbResult.h"

#include <libusb.h>

#include <iterator>
#include <span>

namespace platform {

namespace {

struct Mapping {
    int libusb;
    UsbResult::Code usb;
};

// The one table. An I/O error of a transfer is the kernel's report of a
// protocol failure (no handshake, bad CRC): the device is not answering, which
// the transport cures by re-enumerating. A busy interface is held by another
// program.
constexpr Mapping mappings[] = {
    {LIBUSB_SUCCESS, UsbResult::success},
    {LIBUSB_ERROR_IO, UsbResult::notResponding},
    {LIBUSB_ERROR_INVALID_PARAM, UsbResult::badArgument},
    {LIBUSB_ERROR_ACCESS, UsbResult::notPrivileged},
    {LIBUSB_ERROR_NO_DEVICE, UsbResult::noDevice},
    {LIBUSB_ERROR_NOT_FOUND, UsbResult::notFound},
    {LIBUSB_ERROR_BUSY, UsbResult::exclusiveAccess},
    {LIBUSB_ERROR_TIMEOUT, UsbResult::transactionTimeout},
    {LIBUSB_ERROR_OVERFLOW, UsbResult::overrun},
    {LIBUSB_ERROR_PIPE, UsbResult::pipeStalled},
    {LIBUSB_ERROR_INTERRUPTED, UsbResult::aborted},
    {LIBUSB_ERROR_NO_MEM, UsbResult::noMemory},
    {LIBUSB_ERROR_NOT_SUPPORTED, UsbResult::unsupported},
    {LIBUSB_ERROR_OTHER, UsbResult::error},
};

// Results no libusb error maps onto: those the in-memory and socket backends
// give, and time-outs of the interface's own waits.
constexpr Mapping otherBackends[] = {
    {LIBUSB_ERROR_TIMEOUT, UsbResult::timeout},
    {LIBUSB_ERROR_BUSY, UsbResult::busy},
    {LIBUSB_ERROR_IO, UsbResult::ioError},
    {LIBUSB_ERROR_NO_DEVICE, UsbResult::notOpen},
    {LIBUSB_ERROR_NO_MEM, UsbResult::noResources},
    {LIBUSB_ERROR_INVALID_PARAM, UsbResult::unknownPipe},
};

} // namespace

QString LibusbResult::errorName(UsbResult::Code result) {
    for (const std::span<const Mapping> table :
         {std::span<const Mapping>(mappings), std::span<const Mapping>(otherBackends)}) {
        for (const Mapping& m : table) {
            if (m.usb == result) {
                return QString::fromLatin1(libusb_error_name(m.libusb));
            }
        }
    }
    return QString::fromLatin1(libusb_error_name(LIBUSB_ERROR_OTHER));
}

UsbResult::Code LibusbResult::toUsbResult(int libusbResult) {
    if (libusbResult > 0) {
        return UsbResult::success; // a count
    }
    for (const Mapping& m : mappings) {
        if (m.libusb == libusbResult) {
            return m.usb;
        }
    }
    return UsbResult::error;
}

} // namespace platform
