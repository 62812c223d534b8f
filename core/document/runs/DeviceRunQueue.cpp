#include "core/document/runs/DeviceRunQueue.h"

namespace kestrom {

platform::WorkQueue::Options DeviceRunQueueDescription::options() {
    return {.name = QStringLiteral("device runs"), .maxThreadCount = 4};
}

} // namespace kestrom
