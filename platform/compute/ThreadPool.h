#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::compute {

// The compute layer's own workers. Kernel tiles run here and nowhere else, so
// a long conversion never starves the threads that talk to devices.
class ThreadPool {
    struct Job;

public:
    // The variable that sets how many threads compute for a run (the caller
    // included), so that a measurement can scale from one core to all.
    static constexpr const char* threadCountVariable = "LUNVIK_COMPUTE_THREADS";
    // The largest count the variable accepts.
    static constexpr unsigned maxThreadCount = 1024;

    // threadCount 0 means the count the variable sets, less the caller's,
    // else one worker per hardware thread, less the caller's.
    explicit ThreadPool(unsigned threadCount = 0);
    ~ThreadPool();

    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Runs body(i) for every i in [0, count) on the workers and on the calling
    // thread, and returns when all have finished. Several threads may call it
    // at once; their work shares the workers. The first exception a body throws
    // is thrown again here after the others have finished.
    void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body);

    // Work start() set going. wait() returns once every index has run and
    // throws the first exception a body threw; the batch waits on its own
    // destruction too, so that no body outlives what it uses. A batch must
    // not outlive its pool, and a body must not wait for a batch of its own.
    class Batch {
    public:
        Batch() = default;
        Batch(Batch&&) noexcept = default;
        Batch& operator=(Batch&&) = delete;
        ~Batch();
        void wait();

    private:
        friend class ThreadPool;
        Batch(ThreadPool* pool, std::shared_ptr<Job> job) : m_pool(pool), m_job(std::move(job)) {}

        ThreadPool* m_pool = nullptr;
        std::shared_ptr<Job> m_job;
    };

    // Runs body(i) for every i in [0, count) on the workers alone, taking the
    // indices in order, and returns at once, so that the caller can use the
    // first results while the later ones are made. Without workers every
    // index runs here before it returns.
    Batch start(std::size_t count, std::function<void(std::size_t)> body);

    // Workers plus the calling thread.
    unsigned concurrency() const { return unsigned(m_workers.size()) + 1; }

    // The thread count a value of the variable asks for: a whole number from 1
    // to maxThreadCount, surrounding blanks allowed; none for anything else.
    static std::optional<unsigned> threadCountFromText(const char* text);
    // Workers for a pool of the default size: what the variable asks for, less
    // the caller's; an invalid value is named on standard error and ignored.
    static unsigned defaultWorkerCount();

private:
    void workerLoop();
    static bool runOne(Job& job);
    // Waits for every index of the job, then takes it off the queue.
    void finish(const std::shared_ptr<Job>& job);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace platform::compute
