#pragma once

#include <functional>

namespace kestrom {

// The worker threads that decode and encode the pictures of documents (when
// a document is opened or saved, or a picture is imported), so that the main
// thread stays free. Results go back through platform::MainThread::post.
class DocumentWorkQueue {
public:
    static void run(std::function<void()> work);
    // Waits until every started work has returned.
    static void waitForDone();
};

} // namespace kestrom
