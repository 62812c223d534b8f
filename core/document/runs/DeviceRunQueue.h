#pragma once

#include "platform/WorkQueue.h"

namespace kestrom {

// The worker threads that device runs block on. They are not the compute
// layer's threads, so a print's own image work never waits behind a run.
// KestromCoreMain waits for them before the process ends.
struct DeviceRunQueueDescription {
    static platform::WorkQueue::Options options();
};
using DeviceRunQueue = platform::SharedWorkQueue<DeviceRunQueueDescription>;

} // namespace kestrom
