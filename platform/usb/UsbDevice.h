#pragma once

#include "platform/usb/UsbInterface.h"
#include "platform/usb/UsbResult.h"

#include <memory>

namespace platform {

// A device found through UsbHost::findDevice. Destroying an open device
// closes it.
class UsbDevice {
public:
    static constexpr quint8 printerClass = 7;

    virtual ~UsbDevice();

    // Opens the device for this process alone; UsbResult::exclusiveAccess when
    // another holder has it.
    virtual UsbResult::Code open() = 0;
    virtual void close() = 0;

    // The configuration value of the configuration descriptor at an index.
    virtual UsbResult::Code configurationValue(quint8 index, quint8& value) = 0;
    // Makes a configuration the active one; a no-op when it already is.
    virtual UsbResult::Code setConfiguration(quint8 value) = 0;

    // The first interface of a class in the active configuration, whatever
    // its subclass, protocol and alternate setting; nothing when none.
    virtual std::unique_ptr<UsbInterface> findInterface(quint8 interfaceClass) = 0;

    // Resets the device so that the host enumerates it anew. The device must
    // be found again afterwards (UsbHost::reEnumerationDelay later).
    virtual UsbResult::Code reEnumerate() = 0;
};

} // namespace platform
