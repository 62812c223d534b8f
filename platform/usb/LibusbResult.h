#pragma once

#include "platform/usb/UsbResult.h"

namespace platform {

// How libusb's results read in the host interface's vocabulary.
class LibusbResult {
public:
    static UsbResult::Code toUsbResult(int libusbResult);
};

} // namespace platform
