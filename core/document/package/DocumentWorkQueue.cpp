#include "core/document/package/DocumentWorkQueue.h"

namespace kestrom {

platform::WorkQueue::Options DocumentWorkQueueDescription::options() {
    return {.name = QStringLiteral("document work"), .maxThreadCount = 2};
}

} // namespace kestrom
