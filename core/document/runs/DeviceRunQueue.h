#pragma once

#include <functional>

namespace kestrom {

// The worker threads that device runs block on. They are not the compute
// layer's threads, so a print's own image work never waits behind a run.
class DeviceRunQueue {
public:
    static void run(std::function<void()> work);
    // Waits until every started work has returned (used before the process ends).
    static void waitForDone();
};

} // namespace kestrom
