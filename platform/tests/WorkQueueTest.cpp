#include "platform/WorkQueue.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace {

struct TwoThreads {
    static platform::WorkQueue::Options options() {
        return {.name = QStringLiteral("two threads"), .maxThreadCount = 2};
    }
};

} // namespace

TEST(WorkQueue, runsAtMostItsThreadCountAtOnceAndWaitsForAll) {
    platform::WorkQueue queue({.name = QStringLiteral("test"), .maxThreadCount = 2});
    std::atomic<int> running = 0;
    std::atomic<int> most = 0;
    std::atomic<int> done = 0;
    for (int i = 0; i < 8; ++i) {
        queue.run([&] {
            const int now = ++running;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            --running;
            ++done;
        });
    }
    queue.waitForDone();
    EXPECT_EQ(done, 8);
    EXPECT_LE(most, 2);
}

TEST(WorkQueue, clearDropsOnlyWorkNotYetStarted) {
    platform::WorkQueue queue({.name = QStringLiteral("serial"), .maxThreadCount = 1});
    std::atomic<bool> release = false;
    std::atomic<bool> started = false;
    std::atomic<int> ran = 0;
    queue.run([&] {
        started = true;
        while (!release) {
            std::this_thread::yield();
        }
        ++ran;
    });
    queue.run([&] { ++ran; });
    while (!started) {
        std::this_thread::yield();
    }
    queue.clear();
    release = true;
    queue.waitForDone();
    EXPECT_EQ(ran, 1);
}

TEST(WorkQueue, aSharedQueueIsOneQueueNamedByItsDescription) {
    EXPECT_EQ(&platform::SharedWorkQueue<TwoThreads>::shared(),
              &platform::SharedWorkQueue<TwoThreads>::shared());
    std::mutex lock;
    std::set<QThread*> threads;
    std::atomic<int> ran = 0;
    for (int i = 0; i < 4; ++i) {
        platform::SharedWorkQueue<TwoThreads>::run([&] {
            std::lock_guard guard(lock);
            threads.insert(QThread::currentThread());
            ++ran;
        });
    }
    platform::SharedWorkQueue<TwoThreads>::waitForDone();
    EXPECT_EQ(ran, 4);
    EXPECT_LE(threads.size(), 2u);
    EXPECT_EQ(threads.count(QThread::currentThread()), 0u);
}

TEST(WorkQueue, aNameMakesOneQueueWhoeverAsks) {
    platform::WorkQueue& first =
        platform::WorkQueue::named({.name = QStringLiteral("named once"), .maxThreadCount = 1});
    platform::WorkQueue& again =
        platform::WorkQueue::named({.name = QStringLiteral("named once"), .maxThreadCount = 3});
    EXPECT_EQ(&first, &again);
    EXPECT_NE(&first, &platform::SharedWorkQueue<TwoThreads>::shared());
}
