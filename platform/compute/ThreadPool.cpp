#include "platform/compute/ThreadPool.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace platform::compute {

struct ThreadPool::Job {
    const std::function<void(std::size_t)>* body = nullptr;
    std::function<void(std::size_t)> ownBody; // a started batch's
    std::size_t count = 0;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::mutex mutex;
    std::condition_variable done;
    std::exception_ptr failure;
};

std::optional<unsigned> ThreadPool::threadCountFromText(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    unsigned long count = 0;
    const char* digits = p;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        count = count * 10 + unsigned(*p - '0');
        if (count > maxThreadCount) {
            return std::nullopt;
        }
        ++p;
    }
    if (p == digits || count == 0) {
        return std::nullopt;
    }
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    if (*p != '\0') {
        return std::nullopt;
    }
    return unsigned(count);
}

unsigned ThreadPool::defaultWorkerCount() {
    if (const char* value = std::getenv(threadCountVariable); value != nullptr && *value != '\0') {
        if (const auto count = threadCountFromText(value)) {
            return *count - 1;
        }
        std::fprintf(stderr, "%s: ignoring \"%s\", not a whole number from 1 to %u\n",
                     threadCountVariable, value, maxThreadCount);
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 1 ? hardware - 1 : 1;
}

ThreadPool::ThreadPool(unsigned threadCount) {
    if (threadCount == 0) {
        // May be none: the caller then runs every index itself.
        threadCount = defaultWorkerCount();
    }
    m_workers.reserve(threadCount);
    for (unsigned i = 0; i < threadCount; ++i) {
        m_workers.emplace_back([this] { workerLoop(); });
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (auto& worker : m_workers) {
        worker.join();
    }
}

// Takes one index of the job and runs it; false when none was left.
bool ThreadPool::runOne(Job& job) {
    const std::size_t i = job.next.fetch_add(1, std::memory_order_relaxed);
    if (i >= job.count) {
        return false;
    }
    try {
        (*job.body)(i);
    } catch (...) {
        std::lock_guard lock(job.mutex);
        if (!job.failure) {
            job.failure = std::current_exception();
        }
    }
    if (job.finished.fetch_add(1, std::memory_order_acq_rel) + 1 == job.count) {
        std::lock_guard lock(job.mutex);
        job.done.notify_all();
    }
    return true;
}

void ThreadPool::workerLoop() {
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty()) {
                return;
            }
            job = m_jobs.front();
            if (job->next.load(std::memory_order_relaxed) >= job->count) {
                // Every index has been taken; the job leaves the queue.
                m_jobs.pop_front();
                continue;
            }
        }
        while (runOne(*job)) {
        }
    }
}

void ThreadPool::parallelFor(std::size_t count, const std::function<void(std::size_t)>& body) {
    if (count == 0) {
        return;
    }
    if (count == 1) {
        body(0);
        return;
    }
    auto job = std::make_shared<Job>();
    job->body = &body;
    job->count = count;
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(job);
    }
    m_wake.notify_all();
    while (runOne(*job)) {
    }
    finish(job);
    if (job->failure) {
        std::rethrow_exception(job->failure);
    }
}

void ThreadPool::finish(const std::shared_ptr<Job>& job) {
    {
        std::unique_lock lock(job->mutex);
        job->done.wait(lock,
                       [&] { return job->finished.load(std::memory_order_acquire) == job->count; });
        // What a started batch's body holds goes now, not with the last worker's reference.
        job->ownBody = nullptr;
    }
    // Normally a worker has already removed it; make sure no stale entry stays.
    std::lock_guard lock(m_mutex);
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
        if (*it == job) {
            m_jobs.erase(it);
            break;
        }
    }
}

ThreadPool::Batch ThreadPool::start(std::size_t count, std::function<void(std::size_t)> body) {
    auto job = std::make_shared<Job>();
    job->ownBody = std::move(body);
    job->body = &job->ownBody;
    job->count = count;
    if (count == 0) {
        return Batch(this, std::move(job));
    }
    if (m_workers.empty()) {
        while (runOne(*job)) {
        }
        return Batch(this, std::move(job));
    }
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(job);
    }
    m_wake.notify_all();
    return Batch(this, std::move(job));
}

ThreadPool::Batch::~Batch() {
    if (m_job) {
        m_pool->finish(m_job);
    }
}

void ThreadPool::Batch::wait() {
    if (!m_job) {
        return;
    }
    m_pool->finish(m_job);
    if (m_job->failure) {
        std::rethrow_exception(m_job->failure);
    }
}

} // namespace platform::compute
