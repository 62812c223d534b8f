#include "platform/compute/ThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
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
