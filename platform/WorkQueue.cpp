#include "platform/WorkQueue.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
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
    m_pool->waitForDone();
    delete m_pool;
}

void WorkQueue::run(std::function<void()> work) {
    m_pool->start(std::move(work));
}

void WorkQueue::waitForDone() {
    m_pool->waitForDone();
}

void WorkQueue::clear() {
    m_pool->clear();
}

} // namespace platform
