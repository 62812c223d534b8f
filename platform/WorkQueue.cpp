#include "platform/WorkQueue.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct ExitList {
    std::mutex mutex;
    std::vector<QThreadPool*> pools;
};

ExitList& exitList() {
    static ExitList* list = new ExitList;
    return *list;
}

// Every queue that exists, for the end of the process.
ExitList& allQueues() {
    static ExitList* list = new ExitList;
    return *list;
}

// Required work queued or running, across all queues.
struct RequiredWork {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};

RequiredWork& requiredWork() {
    static RequiredWork* work = new RequiredWork;
    return *work;
}

// Counts one required work for as long as it lives: it goes with its work,
// run or dropped.
struct RequiredToken {
    RequiredToken() {
        std::lock_guard lock(requiredWork().mutex);
        ++requiredWork().count;
    }
    ~RequiredToken() {
        {
            std::lock_guard lock(requiredWork().mutex);
            --requiredWork().count;
        }
        requiredWork().ended.notify_all();
    }
    RequiredToken(const RequiredToken&) = delete;
    RequiredToken& operator=(const RequiredToken&) = delete;
};

void dropQueuedWork() {
    std::vector<QThreadPool*> pools;
    {
        std::lock_guard lock(exitList().mutex);
        pools = exitList().pools;
    }
    for (QThreadPool* pool : pools) {
        pool->clear();
        pool->waitForDone();
    }
}

} // namespace

WorkQueue::WorkQueue(const Options& options) : m_pool(new QThreadPool) {
    m_pool->setObjectName(options.name);
    m_pool->setMaxThreadCount(options.maxThreadCount);
    m_pool->setThreadPriority(options.priority);
    if (options.keepsIdleThreads) {
        m_pool->setExpiryTimeout(-1);
    }
    {
        std::lock_guard lock(allQueues().mutex);
        allQueues().pools.push_back(m_pool);
    }
    if (options.dropsQueuedWorkAtExit) {
        std::lock_guard lock(exitList().mutex);
        exitList().pools.push_back(m_pool);
        // Goes with the application object that exists now; running it once
        // more for another queue does no harm.
        qAddPostRoutine(dropQueuedWork);
    }
}

WorkQueue& WorkQueue::named(const Options& options) {
    static std::mutex mutex;
    static auto* queues = new std::map<QString, WorkQueue*>;
    std::lock_guard lock(mutex);
    WorkQueue*& queue = (*queues)[options.name];
    if (!queue) {
        queue = new WorkQueue(options);
    }
    return *queue;
}

WorkQueue::~WorkQueue() {
    {
        std::lock_guard lock(exitList().mutex);
        std::erase(exitList().pools, m_pool);
    }
    {
        std::lock_guard lock(allQueues().mutex);
        std::erase(allQueues().pools, m_pool);
    }
    m_pool->waitForDone();
    delete m_pool;
}

void WorkQueue::run(std::function<void()> work) {
    m_pool->start(std::move(work));
}

void WorkQueue::runRequired(std::function<void()> work) {
    m_pool->start([token = std::make_shared<RequiredToken>(), work = std::move(work)] { work(); });
}

void WorkQueue::waitForDone() {
    m_pool->waitForDone();
}

void WorkQueue::clear() {
    m_pool->clear();
}

bool WorkQueue::endWork(std::chrono::milliseconds grace) {
    {
        std::unique_lock lock(requiredWork().mutex);
        requiredWork().ended.wait(lock, [] { return requiredWork().count == 0; });
    }
    std::vector<QThreadPool*> pools;
    {
        std::lock_guard lock(allQueues().mutex);
        pools = allQueues().pools;
    }
    for (QThreadPool* pool : pools) {
        pool->clear();
    }
    const auto deadline = std::chrono::steady_clock::now() + grace;
    bool ended = true;
    for (QThreadPool* pool : pools) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        ended = pool->waitForDone(int(std::max<qint64>(0, left.count()))) && ended;
    }
    return ended;
}

} // namespace platform
