#include "platform/KeyboardModifiers.h"

#include <mutex>

namespace platform {

namespace {

std::mutex& sourceMutex() {
    static std::mutex m;
    return m;
}

KeyboardModifiers::Source& installedSource() {
    static KeyboardModifiers::Source source;
    return source;
}

} // namespace

KeyboardModifiers::Flags KeyboardModifiers::current() {
    Source source;
    {
        std::lock_guard lock(sourceMutex());
        source = installedSource();
    }
    return source ? source() : Flags();
}

void KeyboardModifiers::setSource(Source source) {
    std::lock_guard lock(sourceMutex());
    installedSource() = std::move(source);
}

} // namespace platform
