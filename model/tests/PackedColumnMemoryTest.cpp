#include "model/columns/PackedColumnMemory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using ambrel::PackedColumnMemory;

// A buffer given back is taken again for a like size, never for one it would
// be too small for or would waste more than half of.
TEST(PackedColumnMemory, theKeptBufferServesOnlyLikeSizes) {
    std::size_t capacity = 0;
    auto bytes = PackedColumnMemory::take(1000, capacity);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(capacity, 1000u);
    const auto* kept = bytes.get();
    PackedColumnMemory::give(std::move(bytes), capacity);

    auto larger = PackedColumnMemory::take(1001, capacity);
    EXPECT_NE(larger.get(), kept);
    EXPECT_EQ(capacity, 1001u);
    auto smaller = PackedColumnMemory::take(499, capacity);
    EXPECT_NE(smaller.get(), kept);
    auto like = PackedColumnMemory::take(600, capacity);
    EXPECT_EQ(like.get(), kept);
    EXPECT_EQ(capacity, 1000u);
    // Taken: the next take makes its own.
    auto next = PackedColumnMemory::take(600, capacity);
    EXPECT_NE(next.get(), kept);
    EXPECT_EQ(capacity, 600u);
}

// A prepared buffer is kept once it is ready; a take before that makes its
// own without waiting, and sizes nobody could print are not prepared.
TEST(PackedColumnMemory, aPreparedBufferIsTakenOnceReady) {
    PackedColumnMemory::prepare(std::size_t(1) << 40);
    PackedColumnMemory::prepare(5000);
    std::size_t capacity = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        auto bytes = PackedColumnMemory::take(4000, capacity);
        ASSERT_TRUE(bytes);
        if (capacity == 5000) {
            break;
        }
        EXPECT_EQ(capacity, 4000u);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(capacity, 5000u);
}
