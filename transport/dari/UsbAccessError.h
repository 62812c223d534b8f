#pragma once

#include "platform/Error.h"

namespace dari {

// A device that is there but that this user may not open (the system refused
// its device file). It is a "CouldNotOpen" transport error, so callers treat
// it as one, whose texts say what is wrong and name the udev rule that lets
// desktop users open the device.
class UsbAccessError {
public:
    static platform::Error make();
};

} // namespace dari
