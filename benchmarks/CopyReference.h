#pragma once

// The yardstick of every benchmark here: a one-core copy of the same bytes,
// timed in the same run, between the case's own iterations, so that a busy
// machine slows both alike. Each case reports its pixels per second ("Gpx/s")
// and how many such copies its work takes ("copies").

#include "platform/compute/Device.h"
#include "platform/compute/TextureMemory.h"

#include <benchmark/benchmark.h>

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

private:
    static platform::compute::TextureMemory allocate(std::size_t bytes) {
        return platform::compute::TextureMemory::allocate(
            bytes, platform::compute::Device::systemDefault()->threadPool());
    }

    std::size_t m_bytes;
    platform::compute::TextureMemory m_from;
    platform::compute::TextureMemory m_to;
};

// Runs the case with manual timing: per iteration an untimed set-up, the
// timed work, then a copy of copyBytes for the ratio.
inline void measure(benchmark::State& state, double pixels, std::size_t copyBytes,
                    const std::function<void()>& setUp, const std::function<void()>& work) {
    CopyReference copy(copyBytes);
    double workSeconds = 0;
    double copySeconds = 0;
    for (auto _ : state) {
        setUp();
        const double s = secondsOf(work);
        state.SetIterationTime(s);
        workSeconds += s;
        copySeconds += copy.seconds();
    }
    const double n = double(state.iterations());
    state.counters["Gpx/s"] = pixels * n / workSeconds / 1e9;
    state.counters["copies"] = workSeconds / copySeconds;
    state.counters["copy_ms"] = copySeconds / n * 1e3;
}

} // namespace bench
