#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <deque>
#include <mutex>
#include <thread>

namespace platform {

namespace {

struct Queue {
    std::mutex mutex;
    std::deque<std::function<void()>> work;
};

Queue& queue() {
    static Queue q;
    return q;
}

// The thread that loaded the library stands for the main thread until a Qt
// application exists.
const std::thread::id loadingThread = std::this_thread::get_id();

} // namespace

void MainThread::post(std::function<void()> work) {
    {
        std::lock_guard lock(queue().mutex);
        queue().work.push_back(std::move(work));
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            app, [] { drain(); }, Qt::QueuedConnection);
    }
}

int MainThread::drain() {
    int ran = 0;
    while (true) {
        std::function<void()> next;
        {
            std::lock_guard lock(queue().mutex);
            if (queue().work.empty()) {
                return ran;
            }
            next = std::move(queue().work.front());
            queue().work.pop_front();
        }
        next();
        ++ran;
    }
}

bool MainThread::isCurrent() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        return QThread::currentThread() == app->thread();
    }
    return std::this_thread::get_id() == loadingThread;
}

} // namespace platform
