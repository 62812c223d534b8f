#include "transport/dari/SerialPortEnvironment.h"

#include <sys/ioctl.h>

#include <mutex>

namespace dari {

namespace {

std::mutex& environmentMutex() {
    static std::mutex m;
    return m;
}

SerialPortEnvironment& installed() {
    static SerialPortEnvironment environment;
    return environment;
}

} // namespace

bool SerialPortEnvironment::dropDtrAndRts(int fileDescriptor) {
    int lines = 0;
    if (ioctl(fileDescriptor, TIOCMGET, &lines) != 0) {
        return false;
    }
    lines &= ~(TIOCM_DTR | TIOCM_RTS);
    return ioctl(fileDescriptor, TIOCMSET, &lines) == 0;
}

SerialPortEnvironment SerialPortEnvironment::current() {
    std::lock_guard lock(environmentMutex());
    return installed();
}

SerialPortEnvironment::Scope::Scope(SerialPortEnvironment environment) {
    std::lock_guard lock(environmentMutex());
    m_previous =
        std::make_unique<SerialPortEnvironment>(std::exchange(installed(), std::move(environment)));
}

SerialPortEnvironment::Scope::~Scope() {
    std::lock_guard lock(environmentMutex());
    installed() = std::move(*m_previous);
}

} // namespace dari
