#pragma once

#include <QtGlobal>

#include <optional>

namespace dari {

// A serial line's real speed in bits per second, including rates the
// standard speed table lacks. Kept apart because the kernel's terminal
// structures it needs clash with <termios.h>.
class SerialPortSpeed {
public:
    // False when the speed is not positive or the port refuses it.
    static bool apply(int fileDescriptor, qint64 bitsPerSecond);
    static std::optional<qint64> current(int fileDescriptor);
};

} // namespace dari
