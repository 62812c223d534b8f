#include "platform/FirstFrameGate.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<bool> closed = false;

} // namespace

void FirstFrameGate::close() {
    closed = true;
}

void FirstFrameGate::open() {
    closed = false;
}

bool FirstFrameGate::isOpen() {
    return !closed;
}

} // namespace platform
