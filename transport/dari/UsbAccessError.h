#pragma once

#include "platform/Error.h"

namespace dari {

// A device that is there but that this user may not open (the system refused
// its device file). It is a "CouldNotOpen" transport error, so callers treat
// it as one, whose texts say what is wrong and what is left to do: with the
// udev rule installed, to reconnect as the user at the seat; without it,
// where the rule comes from and how to install it (see UdevRule).
class UsbAccessError {
public:
    static platform::Error make();
};

} // namespace dari
