#include "transport/dari/SerialPortSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <limits>

namespace dari {

bool SerialPortSpeed::apply(int fileDescriptor, qint64 bitsPerSecond) {
    if (bitsPerSecond <= 0 || bitsPerSecond > std::numeric_limits<speed_t>::max()) {
        return false;
    }
    termios2 settings{};
    if (ioctl(fileDescriptor, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_cflag &= ~CBAUD;
    settings.c_cflag |= BOTHER;
    settings.c_cflag &= ~(CBAUD << IBSHIFT); // input speed follows the output speed
    settings.c_ospeed = speed_t(bitsPerSecond);
    settings.c_ispeed = speed_t(bitsPerSecond);
    return ioctl(fileDescriptor, TCSETS2, &settings) == 0;
}

std::optional<qint64> SerialPortSpeed::current(int fileDescriptor) {
    termios2 settings{};
    if (ioctl(fileDescriptor, TCGETS2, &settings) != 0) {
        return std::nullopt;
    }
    return qint64(settings.c_ospeed);
}

} // namespace dari
