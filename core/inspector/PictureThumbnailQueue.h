#pragma once

#include "platform/WorkQueue.h"

namespace kestrom {

// The worker thread that draws the inspector's small pictures of documents'
// pictures: drawing one may decode the whole picture or render a page, which
// the main thread never waits for.
struct PictureThumbnailQueueDescription {
    static platform::WorkQueue::Options options();
};
using PictureThumbnailQueue = platform::SharedWorkQueue<PictureThumbnailQueueDescription>;

} // namespace kestrom
