#include "platform/compute/ForegroundWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using platform::compute::ForegroundWork;
using namespace std::chrono_literals;

TEST(ComputeForegroundWork, BackgroundWorkWaitsUntilEveryForegroundWorkHasEnded) {
    // None runs: no wait, however long the limit.
    ForegroundWork::waitBeforeBackground(std::chrono::hours(1));

    std::optional<ForegroundWork> first(std::in_place);
    std::optional<ForegroundWork> second(std::in_place);
    std::atomic<bool> waited{false};
    std::thread background([&] {
        ForegroundWork::waitBeforeBackground(std::chrono::hours(1));
        waited = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(waited.load());
    first.reset();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(waited.load()) << "went on while another foreground work ran";
    second.reset();
    background.join();
    EXPECT_TRUE(waited.load());
}

TEST(ComputeForegroundWork, ALongForegroundWorkHoldsBackgroundWorkBackForTheLimitOnly) {
    const ForegroundWork printing;
    std::thread background([] { ForegroundWork::waitBeforeBackground(20ms); });
    // Returns with the work still running; a wait without end would hang here.
    background.join();
}
