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

// The end of the process: required work runs to its end, queued or running,
// on whichever queue; other work not yet started is dropped; work that
// does not return within the grace is reported, not waited for.
TEST(WorkQueue, theEndRunsRequiredWorkDropsTheRestAndTellsWhatStillRuns) {
    platform::WorkQueue serial({.name = QStringLiteral("end serial"), .maxThreadCount = 1});
    platform::WorkQueue other({.name = QStringLiteral("end other"), .maxThreadCount = 1});
    std::atomic<bool> release = false;
    std::atomic<bool> started = false;
    std::atomic<int> required = 0;
    std::atomic<int> dropped = 0;
    serial.run([&] {
        started = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    serial.runRequired([&] { ++required; });
    other.runRequired([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++required;
    });
    while (!started) {
        std::this_thread::yield();
    }
    // The required work behind the held one waits for it: released from
    // another thread meanwhile, both required pieces run.
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    EXPECT_TRUE(platform::WorkQueue::endWork(std::chrono::seconds(30)));
    releaser.join();
    EXPECT_EQ(required, 2);

    // Work that does not return by itself is told, after the grace only,
    // and what waits behind it never starts.
    release = false;
    started = false;
    other.run([&] {
        started = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    other.run([&] { ++dropped; });
    while (!started) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(platform::WorkQueue::endWork(std::chrono::milliseconds(10)));
    release = true;
    other.waitForDone();
    EXPECT_EQ(dropped, 0);
}
