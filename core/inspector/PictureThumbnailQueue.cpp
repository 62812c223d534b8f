#include "core/inspector/PictureThumbnailQueue.h"

namespace kestrom {

platform::WorkQueue::Options PictureThumbnailQueueDescription::options() {
    return {.name = QStringLiteral("picture thumbnails"),
            .maxThreadCount = 1,
            .dropsQueuedWorkAtExit = true};
}

} // namespace kestrom
