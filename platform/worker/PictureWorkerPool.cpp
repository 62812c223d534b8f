#include "platform/worker/PictureWorkerPool.h"

#include "platform/worker/PictureWorker.h"
#include "platform/worker/PictureWorkerLimits.h"

#include <QCoreApplication>

#include <algorithm>
#include <thread>

namespace platform {

namespace {

// Tells the worker to forget the document if it has it open.
void closeDocument(PictureWorker& worker, std::uint64_t document) {
    if (worker.documents().erase(document) != 0) {
        PictureWorker::Protocol::Close close{{PictureWorker::Protocol::Kind::close, 0}, document};
        worker.post(close.header, sizeof(close));
    }
}

} // namespace

PictureWorkerPool& PictureWorkerPool::shared() {
    // Never destroyed: workers may be in use while the process ends, and
    // they end with it (their socket closes).
    static auto* pool = new PictureWorkerPool;
    return *pool;
}

PictureWorkerPool::Lease::Lease(PictureWorkerPool* pool, std::unique_ptr<PictureWorker> worker)
    : m_pool(pool), m_worker(std::move(worker)) {}

PictureWorkerPool::Lease::Lease(Lease&& other) noexcept
    : m_pool(other.m_pool), m_worker(std::move(other.m_worker)) {}

PictureWorkerPool::Lease::~Lease() {
    if (m_worker) {
        m_pool->giveBack(std::move(m_worker));
    }
}

PictureWorkerPool::Lease PictureWorkerPool::acquire(std::uint64_t document) {
    std::unique_lock lock(m_lock);
    if (!m_reaping) {
        m_reaping = true;
        std::thread([this] { reapIdle(); }).detach();
    }
    if (!m_endsWithApplication && QCoreApplication::instance()) {
        // Called before the routines that wait for the work queues: a
        // drawing in a worker no longer waited for ends there.
        m_endsWithApplication = true;
        qAddPostRoutine([] { shared().endAll(); });
    }
    for (;;) {
        // Workers killed from outside while idle go first: a request given
        // one would fail for nothing.
        std::vector<std::unique_ptr<PictureWorker>> gone;
        dropGone(gone);
        if (!m_idle.empty()) {
            // The worker that has the document open; else the one holding
            // the fewest documents, which it then opens.
            auto chosen = std::find_if(m_idle.begin(), m_idle.end(), [&](const auto& worker) {
                return document != 0 && worker->documents().count(document) != 0;
            });
            if (chosen == m_idle.end()) {
                chosen = std::min_element(m_idle.begin(), m_idle.end(),
                                          [](const auto& a, const auto& b) {
                                              return a->documents().size() < b->documents().size();
                                          });
            }
            std::unique_ptr<PictureWorker> worker = std::move(*chosen);
            m_idle.erase(chosen);
            m_busy.push_back({worker->pid(), worker->killer()});
            return Lease(this, std::move(worker));
        }
        if (m_busy.size() + m_starting < PictureWorkerLimits::maximumWorkers()) {
            ++m_starting;
            lock.unlock();
            std::unique_ptr<PictureWorker> worker = PictureWorker::start();
            lock.lock();
            --m_starting;
            if (!worker) {
                m_freed.notify_all();
                return {};
            }
            m_busy.push_back({worker->pid(), worker->killer()});
            return Lease(this, std::move(worker));
        }
        m_freed.wait(lock);
    }
}

void PictureWorkerPool::prestart() {
    std::lock_guard lock(m_lock);
    const std::size_t running = m_idle.size() + m_busy.size() + m_starting;
    const std::size_t wanted = PictureWorkerLimits::maximumWorkers();
    if (m_prestarting || running >= wanted) {
        return;
    }
    m_prestarting = true;
    const auto more = unsigned(wanted - running);
    m_starting += more;
    // A start returns once the worker's program runs; the workers set
    // themselves up side by side.
    std::thread([this, more, generation = m_generation] {
        for (unsigned i = 0; i < more; ++i) {
            std::unique_ptr<PictureWorker> worker = PictureWorker::start();
            std::unique_ptr<PictureWorker> stale;
            std::lock_guard lock(m_lock);
            --m_starting;
            if (worker && generation == m_generation) {
                m_idle.push_back(std::move(worker));
            } else {
                stale = std::move(worker);
            }
            m_freed.notify_one();
        }
        std::lock_guard lock(m_lock);
        m_prestarting = false;
    }).detach();
}

void PictureWorkerPool::giveBack(std::unique_ptr<PictureWorker> worker) {
    std::unique_ptr<PictureWorker> retired;
    {
        std::lock_guard lock(m_lock);
        std::erase_if(m_busy, [&](const Busy& busy) { return busy.pid == worker->pid(); });
        const bool spent =
            worker->processorSeconds() > double(PictureWorkerLimits::processorSecondsCeiling / 2);
        if (worker->isRunning() && !spent) {
            sendForgotten(*worker);
        }
        if (worker->isRunning() && !spent) {
            m_idle.push_back(std::move(worker));
        } else {
            retired = std::move(worker);
        }
        m_freed.notify_one();
    }
    // A worker that failed was ended already; one that spent its time is
    // ended here, outside the lock.
    retired.reset();
}

void PictureWorkerPool::forget(std::uint64_t document) {
    std::lock_guard lock(m_lock);
    for (const auto& worker : m_idle) {
        closeDocument(*worker, document);
    }
    // A busy worker forgets it when it comes back.
    if (!m_busy.empty()) {
        m_forgotten.push_back(document);
    }
}

void PictureWorkerPool::sendForgotten(PictureWorker& worker) {
    for (const std::uint64_t document : m_forgotten) {
        closeDocument(worker, document);
    }
    if (m_busy.empty()) {
        m_forgotten.clear();
    }
}

std::vector<pid_t> PictureWorkerPool::processes() const {
    std::lock_guard lock(m_lock);
    std::vector<pid_t> pids;
    for (const Busy& busy : m_busy) {
        pids.push_back(busy.pid);
    }
    for (const auto& worker : m_idle) {
        pids.push_back(worker->pid());
    }
    return pids;
}

void PictureWorkerPool::endIdleWorkers() {
    std::vector<std::unique_ptr<PictureWorker>> ended;
    {
        std::lock_guard lock(m_lock);
        ended.swap(m_idle);
        ++m_generation;
    }
}

void PictureWorkerPool::endAll() {
    std::vector<std::unique_ptr<PictureWorker>> ended;
    {
        std::lock_guard lock(m_lock);
        ended.swap(m_idle);
        ++m_generation;
        // The leases of the busy ones find them ended and give them back.
        for (const Busy& busy : m_busy) {
            busy.kill();
        }
    }
}

void PictureWorkerPool::dropGone(std::vector<std::unique_ptr<PictureWorker>>& gone) {
    for (auto it = m_idle.begin(); it != m_idle.end();) {
        if ((*it)->stillThere()) {
            ++it;
        } else {
            gone.push_back(std::move(*it));
            it = m_idle.erase(it);
        }
    }
}

void PictureWorkerPool::reapIdle() {
    for (;;) {
        std::this_thread::sleep_for(PictureWorkerLimits::idleLifetime / 4);
        std::vector<std::unique_ptr<PictureWorker>> ended;
        {
            std::lock_guard lock(m_lock);
            // One killed from outside is waited for now, not left a zombie
            // until the next request.
            dropGone(ended);
            const auto now = std::chrono::steady_clock::now();
            // The most recently used worker stays warm.
            std::sort(m_idle.begin(), m_idle.end(),
                      [](const auto& a, const auto& b) { return a->lastUsed() > b->lastUsed(); });
            while (m_idle.size() > 1 &&
                   now - m_idle.back()->lastUsed() > PictureWorkerLimits::idleLifetime) {
                ended.push_back(std::move(m_idle.back()));
                m_idle.pop_back();
            }
        }
    }
}

} // namespace platform
