#include "platform/compute/ThreadPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using platform::compute::ThreadPool;

TEST(ComputeThreadPool, RunsEveryIndexExactlyOnceWhileOtherCallersShareIt) {
    ThreadPool pool(3);
    constexpr std::size_t count = 5000;
    std::vector<std::vector<std::atomic<int>>> hits(4);
    for (auto& h : hits) {
        h = std::vector<std::atomic<int>>(count);
    }
    std::vector<std::thread> callers;
    for (std::size_t c = 0; c < hits.size(); ++c) {
        callers.emplace_back(
            [&, c] { pool.parallelFor(count, [&](std::size_t i) { hits[c][i].fetch_add(1); }); });
    }
    for (auto& t : callers) {
        t.join();
    }
    for (const auto& h : hits) {
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(h[i].load(), 1) << i;
        }
    }
}

TEST(ComputeThreadPool, ThrowsTheFailureOnlyAfterEveryIndexHasRun) {
    ThreadPool pool(2);
    std::atomic<int> ran{0};
    EXPECT_THROW(pool.parallelFor(100,
                                  [&](std::size_t i) {
                                      ran.fetch_add(1);
                                      if (i == 7) {
                                          throw std::runtime_error("tile failed");
                                      }
                                  }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 100);
    // The pool is still usable afterwards.
    std::atomic<int> again{0};
    pool.parallelFor(10, [&](std::size_t) { again.fetch_add(1); });
    EXPECT_EQ(again.load(), 10);
}

TEST(ComputeThreadPool, StartedWorkRunsOnTheWorkersWhileTheCallerGoesOn) {
    ThreadPool pool(3);
    constexpr std::size_t count = 2000;
    std::vector<std::atomic<int>> hits(count);
    std::atomic<bool> callerWentOn{false};
    std::atomic<bool> ranOnTheCaller{false};
    const auto caller = std::this_thread::get_id();
    auto batch = pool.start(count, [&](std::size_t i) {
        if (i == 0) {
            // Only returns once start has returned to the caller.
            while (!callerWentOn.load()) {
                std::this_thread::yield();
            }
        }
        if (std::this_thread::get_id() == caller) {
            ranOnTheCaller = true;
        }
        hits[i].fetch_add(1);
    });
    callerWentOn = true;
    // A caller of parallelFor meanwhile shares the workers.
    std::atomic<int> other{0};
    pool.parallelFor(100, [&](std::size_t) { other.fetch_add(1); });
    batch.wait();
    EXPECT_EQ(other.load(), 100);
    EXPECT_FALSE(ranOnTheCaller.load());
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(hits[i].load(), 1) << i;
    }
}

TEST(ComputeThreadPool, StartedWorkIsWaitedForAndItsFailureThrownAfterAll) {
    ThreadPool pool(2);
    std::atomic<int> ran{0};
    {
        auto batch = pool.start(200, [&](std::size_t i) {
            std::this_thread::sleep_for(std::chrono::microseconds(i % 3 * 50));
            ran.fetch_add(1);
        });
        // Dropped without a wait: its end waits all the same.
    }
    EXPECT_EQ(ran.load(), 200);

    ran = 0;
    auto failing = pool.start(100, [&](std::size_t i) {
        ran.fetch_add(1);
        if (i == 3) {
            throw std::runtime_error("range failed");
        }
    });
    EXPECT_THROW(failing.wait(), std::runtime_error);
    EXPECT_EQ(ran.load(), 100);
}

TEST(ComputeThreadPool, ReadsTheThreadCountOnlyFromAWholeNumberInRange) {
    EXPECT_EQ(ThreadPool::threadCountFromText("1"), 1u);
    EXPECT_EQ(ThreadPool::threadCountFromText("8"), 8u);
    EXPECT_EQ(ThreadPool::threadCountFromText(" 4\n"), 4u);
    EXPECT_EQ(ThreadPool::threadCountFromText("1024"), 1024u);
    for (const char* invalid : {"", " ", "0", "-2", "+2", "2x", "2 3", "2.5", "four", "1025",
                                "99999999999999999999999"}) {
        EXPECT_EQ(ThreadPool::threadCountFromText(invalid), std::nullopt) << '"' << invalid << '"';
    }
    EXPECT_EQ(ThreadPool::threadCountFromText(nullptr), std::nullopt);
}

TEST(ComputeThreadPool, TheVariableSizesADefaultPoolAndABadValueIsIgnoredAloud) {
    const char* name = ThreadPool::threadCountVariable;
    // The run's own setting comes back afterwards for the tests after this one.
    const char* outside = std::getenv(name);
    const std::optional<std::string> saved =
        outside ? std::optional<std::string>(outside) : std::nullopt;
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    const unsigned usual = hardware > 1 ? hardware : 2;

    ::setenv(name, "1", 1);
    {
        // One thread computing: the caller alone, and it still runs every index.
        ThreadPool pool;
        EXPECT_EQ(pool.concurrency(), 1u);
        std::atomic<int> sum{0};
        pool.parallelFor(100, [&](std::size_t i) { sum += int(i); });
        EXPECT_EQ(sum.load(), 4950);
        // Without workers, started work has run by the time start returns.
        auto batch = pool.start(100, [&](std::size_t i) { sum += int(i); });
        EXPECT_EQ(sum.load(), 9900);
        batch.wait();
    }
    ::setenv(name, "3", 1);
    EXPECT_EQ(ThreadPool().concurrency(), 3u);

    ::setenv(name, "lots", 1);
    testing::internal::CaptureStderr();
    const unsigned ignored = ThreadPool().concurrency();
    const std::string complaint = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ignored, usual);
    EXPECT_NE(complaint.find("LUNVIK_COMPUTE_THREADS"), std::string::npos);
    EXPECT_NE(complaint.find("lots"), std::string::npos);
    EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1);

    ::unsetenv(name);
    EXPECT_EQ(ThreadPool().concurrency(), usual);
    // An explicit size is not the variable's to change.
    ::setenv(name, "2", 1);
    EXPECT_EQ(ThreadPool(5).concurrency(), 6u);
    if (saved) {
        ::setenv(name, saved->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}
