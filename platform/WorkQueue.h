#pragma once

#include <QString>
#include <QThread>

#include <chrono>
#include <functional>

class QThreadPool;

namespace platform {

// A named set of worker threads that runs the work handed to it, oldest
// first, at most maxThreadCount at once. Results go back through
// MainThread::post. The process-wide queues are SharedWorkQueue instances.
class WorkQueue {
public:
    struct Options {
        QString name;
        int maxThreadCount = 1;
        QThread::Priority priority = QThread::InheritPriority;
        // Idle threads stay, so a burst of small work never waits for one to
        // start.
        bool keepsIdleThreads = false;
        // When the application object goes, work not yet started is dropped
        // and the running work is waited for.
        bool dropsQueuedWorkAtExit = false;
    };

    explicit WorkQueue(const Options& options);
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    // The process-wide queue of that name, made with the options on first
    // use and never destroyed: work still running at exit must not find it
    // gone. One per process, whichever library asks.
    static WorkQueue& named(const Options& options);

    void run(std::function<void()> work);
    // Work the process must finish before it ends, such as a save: endWork
    // waits for it, queued or running, whatever else it drops.
    void runRequired(std::function<void()> work);
    // Waits until every started work has returned.
    void waitForDone();
    // Drops the work not yet started.
    void clear();

    // The end of the process, once its event loop has ended: waits for the
    // required work of every queue, drops the work not yet started, and
    // gives the work still running up to `grace` to return. False when some
    // still runs then (a drawing that never ends): the process must end at
    // once, destroying nothing that work may use, rather than wait for work
    // nobody needs any more.
    static bool endWork(std::chrono::milliseconds grace);

private:
    QThreadPool* m_pool;
};

// The process-wide WorkQueue that `Description::options()` names.
template <typename Description> class SharedWorkQueue {
public:
    static WorkQueue& shared() {
        static WorkQueue& queue = WorkQueue::named(Description::options());
        return queue;
    }
    static void run(std::function<void()> work) { shared().run(std::move(work)); }
    static void runRequired(std::function<void()> work) { shared().runRequired(std::move(work)); }
    static void waitForDone() { shared().waitForDone(); }
};

} // namespace platform
