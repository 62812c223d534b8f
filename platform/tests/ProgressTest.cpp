#include "platform/Progress.h"
#include "platform/CancellationError.h"
#include "platform/MainThread.h"
#include "platform/Pause.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using platform::CancellationError;
using platform::Pause;
using platform::Progress;

namespace {

TEST(Progress, unitsAndFraction) {
    Progress p(10);
    EXPECT_DOUBLE_EQ(p.fractionCompleted(), 0.0);
    p.setCompletedUnitCount(5);
    EXPECT_DOUBLE_EQ(p.fractionCompleted(), 0.5);
    p.setCompletedUnitCount(20);
    EXPECT_DOUBLE_EQ(p.fractionCompleted(), 1.0);
    Progress unknown;
    EXPECT_TRUE(unknown.isIndeterminate());
    EXPECT_DOUBLE_EQ(unknown.fractionCompleted(), 0.0);
}

TEST(Progress, observersSeeEachChange) {
    Progress p(100);
    std::vector<Progress::Change> seen;
    const int token =
        p.addObserver([&](const Progress&, Progress::Change c) { seen.push_back(c); });
    p.setCompletedUnitCount(1);
    p.setLocalizedDescription(QStringLiteral("Sending"));
    p.setLocalizedAdditionalDescription(QStringLiteral("1 of 2"));
    EXPECT_TRUE(p.isCancellable());
    p.setCancellable(false);
    p.setCancellable(false); // no change, no notice
    EXPECT_FALSE(p.isCancellable());
    p.cancel();
    p.cancel(); // a second cancel changes nothing
    p.removeObserver(token);
    p.setCompletedUnitCount(2);
    EXPECT_EQ(seen, (std::vector<Progress::Change>{
                        Progress::Change::Units, Progress::Change::Description,
                        Progress::Change::AdditionalDescription, Progress::Change::Cancellable,
                        Progress::Change::Cancelled}));
    EXPECT_EQ(p.localizedDescription(), QStringLiteral("Sending"));
}

TEST(Progress, concurrentAddsAreNotLost) {
    Progress p(80000);
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                p.addCompletedUnits(1);
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    EXPECT_EQ(p.completedUnitCount(), 80000);
}

TEST(Pause, endsPromptlyWhenTheMainThreadCancels) {
    auto progress = std::make_shared<Progress>();
    std::atomic<bool> cancelled{false};
    std::atomic<long long> elapsedMs{-1};
    std::thread worker([&] {
        const auto start = std::chrono::steady_clock::now();
        try {
            // Sat out, the pause would take twenty times the bound below.
            Pause::sleep(std::chrono::minutes(10), progress.get());
        } catch (const CancellationError&) {
            cancelled = true;
        }
        elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    });
    std::this_thread::sleep_for(50ms);
    progress->cancel();
    worker.join();
    EXPECT_TRUE(cancelled);
    EXPECT_LT(elapsedMs, 30000);
}

TEST(Pause, runsItsCourseWithoutCancel) {
    Progress p;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(Pause::sleep(30ms, &p));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    p.cancel();
    EXPECT_THROW(Pause::sleep(10s, &p), CancellationError);
    EXPECT_THROW(p.throwIfCancelled(), CancellationError);
}

TEST(MainThread, drainRunsPostedWorkInOrder) {
    platform::MainThread::drain();
    std::vector<int> order;
    std::thread worker([&] {
        platform::MainThread::post([&] { order.push_back(1); });
        platform::MainThread::post([&] {
            order.push_back(2);
            platform::MainThread::post([&] { order.push_back(3); });
        });
    });
    worker.join();
    EXPECT_TRUE(platform::MainThread::isCurrent());
    EXPECT_EQ(platform::MainThread::drain(), 3);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

} // namespace
