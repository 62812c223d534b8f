#pragma once

#include "platform/usb/UsbResult.h"

namespace platform {

// How libusb's results read in the host interface's vocabulary.
class LibusbResult {
public:
    static UsbResult::Code toUsbResult(int libusbResult);
    // The name of libusb's error a result stands for ("LIBUSB_ERROR_BUSY"),
    // the one texts show: a Linux user and the pages that help them know
    // libusb's names, not the result codes. A result that only the other
    // backends give reads as the libusb error of the same failure; an
    // unknown one as LIBUSB_ERROR_OTHER.
    static QString errorName(UsbResult::Code result);
};

} // namespace platform
