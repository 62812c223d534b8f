#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class PictureWorker;

// The program's picture workers: started on first need, as many at once as
// there are requests, up to PictureWorkerLimits::maximumWorkers(); then
// kept warm. Each worker serves one request at a time and keeps its own
// copy of the documents it has opened (the PDF library's documents are not
// shared between threads), so a request goes to an idle worker that has
// its document open where there is one. A worker that fails is dropped; the
// next request starts a fresh one. Idle workers beyond the first end after
// PictureWorkerLimits::idleLifetime.
class PictureWorkerPool {
public:
    static PictureWorkerPool& shared();

    // A worker held for one request, given back when it goes; empty when no
    // worker can be started.
    class Lease {
    public:
        Lease() = default;
        ~Lease();
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        Lease(const Lease&) = delete;

        explicit operator bool() const { return m_worker != nullptr; }
        PictureWorker& operator*() const { return *m_worker; }
        PictureWorker* operator->() const { return m_worker.get(); }

    private:
        friend class PictureWorkerPool;
        Lease(PictureWorkerPool* pool, std::unique_ptr<PictureWorker> worker);

        PictureWorkerPool* m_pool = nullptr;
        std::unique_ptr<PictureWorker> m_worker;
    };

    // Waits while every worker is busy and no more may start.
    Lease acquire(std::uint64_t document = 0);
    // Starts workers in the background until there are as many as may be,
    // so that the drawings a page is first given side by side (the
    // canvas's, the print's) do not each wait for a worker to start.
    void prestart();
    // A document is gone: the workers that opened it forget it.
    void forget(std::uint64_t document);

    // The workers' processes, idle or busy, for tests and measurements.
    std::vector<pid_t> processes() const;
    // Ends the idle workers.
    void endIdleWorkers();
    // Ends every worker, the busy ones killed: their requests fail at once
    // (PictureWorkerError::Cause::killed). Runs as the application object
    // goes, so that no drawing holds the program's end up.
    void endAll();

private:
    PictureWorkerPool() = default;
    void giveBack(std::unique_ptr<PictureWorker> worker);
    // Sends a worker the documents it is to forget.
    void sendForgotten(PictureWorker& worker);
    // Moves the idle workers that are gone into `gone`, waited for.
    void dropGone(std::vector<std::unique_ptr<PictureWorker>>& gone);
    void reapIdle();

    mutable std::mutex m_lock;
    std::condition_variable m_freed;
    std::vector<std::unique_ptr<PictureWorker>> m_idle;
    struct Busy {
        pid_t pid;
        std::function<void()> kill;
    };
    std::vector<Busy> m_busy;
    unsigned m_starting = 0;
    std::vector<std::uint64_t> m_forgotten;
    bool m_reaping = false;
    bool m_prestarting = false;
    // Counts the ends of the idle workers: a worker started in the
    // background before one is not kept.
    std::uint64_t m_generation = 0;
    bool m_endsWithApplication = false;
};

} // namespace platform
