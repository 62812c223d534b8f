#pragma once

// The yardsticks of every benchmark here: a one-core copy of the same bytes,
// and the same copy shared by all compute threads (each a disjoint part),
// timed in the same run, between the case's own iterations, so that a busy
// machine slows all alike. Each case reports its pixels per second ("Gpx/s")
// and how many such copies its work takes ("copies" on one core,
// "allCoreCopies" on all compute threads, "threads" of them).

#include "platform/compute/Device.h"
#include "platform/compute/TextureMemory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <functional>

namespace bench {

inline double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Source and destination of the copy, on large pages as the print's own
// buffers are, touched before the first copy.
class CopyReference {
public:
    explicit CopyReference(std::size_t bytes)
        : m_bytes(bytes), m_from(allocate(bytes)), m_to(allocate(bytes)) {
        std::memset(m_from.bytes(), 0x5A, bytes);
        std::memset(m_to.bytes(), 0, bytes);
    }

    double seconds() {
        return secondsOf([this] {
            std::memcpy(m_to.bytes(), m_from.bytes(), m_bytes);
            benchmark::DoNotOptimize(m_to.bytes());
        });
    }

    // The copy on every compute thread, one part each, parts whole pages.
    double allCoreSeconds() {
        auto& pool = threadPool();
        const std::size_t parts = pool.concurrency();
        constexpr std::size_t pageBytes = 4096;
        const std::size_t part = (m_bytes / parts + pageBytes - 1) / pageBytes * pageBytes;
        return secondsOf([&] {
            pool.parallelFor(parts, [&](std::size_t i) {
                const std::size_t begin = std::min(m_bytes, i * part);
                const std::size_t end = std::min(m_bytes, begin + part);
                std::memcpy(m_to.bytes() + begin, m_from.bytes() + begin, end - begin);
            });
            benchmark::DoNotOptimize(m_to.bytes());
        });
    }

    static unsigned threadCount() { return threadPool().concurrency(); }

private:
    static platform::compute::ThreadPool& threadPool() {
        return platform::compute::Device::systemDefault()->threadPool();
    }

    static platform::compute::TextureMemory allocate(std::size_t bytes) {
        return platform::compute::TextureMemory::allocate(bytes, threadPool());
    }

    std::size_t m_bytes;
    platform::compute::TextureMemory m_from;
    platform::compute::TextureMemory m_to;
};

// The ratios of work to both copies, summed over n iterations alike.
inline void reportCopies(benchmark::State& state, double workSeconds, double copySeconds,
                         double allCoreSeconds, double n) {
    state.counters["copies"] = workSeconds / copySeconds;
    state.counters["allCoreCopies"] = workSeconds / allCoreSeconds;
    state.counters["copy_ms"] = copySeconds / n * 1e3;
    state.counters["allCoreCopy_ms"] = allCoreSeconds / n * 1e3;
    state.counters["threads"] = CopyReference::threadCount();
}

// Runs the case with manual timing: per iteration an untimed set-up, the
// timed work, then both copies of copyBytes for the ratios.
inline void measure(benchmark::State& state, double pixels, std::size_t copyBytes,
                    const std::function<void()>& setUp, const std::function<void()>& work) {
    CopyReference copy(copyBytes);
    double workSeconds = 0;
    double copySeconds = 0;
    double allCoreSeconds = 0;
    for (auto _ : state) {
        setUp();
        const double s = secondsOf(work);
        state.SetIterationTime(s);
        workSeconds += s;
        copySeconds += copy.seconds();
        allCoreSeconds += copy.allCoreSeconds();
    }
    const double n = double(state.iterations());
    state.counters["Gpx/s"] = pixels * n / workSeconds / 1e9;
    reportCopies(state, workSeconds, copySeconds, allCoreSeconds, n);
}

} // namespace bench
