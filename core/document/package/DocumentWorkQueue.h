#pragma once

#include "platform/WorkQueue.h"

namespace kestrom {

// The worker threads that decode and encode the pictures of documents (when
// a document is opened or saved, or a picture is imported), so that the main
// thread stays free. Results go back through platform::MainThread::post.
struct DocumentWorkQueueDescription {
    static platform::WorkQueue::Options options();
};
using DocumentWorkQueue = platform::SharedWorkQueue<DocumentWorkQueueDescription>;

} // namespace kestrom
