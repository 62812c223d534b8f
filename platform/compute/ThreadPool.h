#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::compute {

// The compute layer's own workers. Kernel tiles run here and nowhere else, so
// a long conversion never starves the threads that talk to devices.
class ThreadPool {
public:
    // threadCount 0 means one worker per hardware thread, less the caller's.
    explicit ThreadPool(unsigned threadCount = 0);
    ~ThreadPool();

    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Runs body(i) for every i in [0, count) on the workers and on the calling
    // thread, and returns when all have finished. Several threads may call it
    // at once; their work shares the workers. The first exception a body throws
    // is thrown again here after the others have finished.
    void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body);

    // Workers plus the calling thread.
    unsigned concurrency() const { return unsigned(m_workers.size()) + 1; }

private:
    struct Job;

    void workerLoop();
    static bool runOne(Job& job);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace platform::compute
