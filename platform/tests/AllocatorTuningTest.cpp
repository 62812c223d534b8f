#include "platform/AllocatorTuning.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using platform::AllocatorTuning;

// A large block freed once would otherwise make the next ones of its size
// come from the heap, where freed memory stays with the process.
TEST(AllocatorTuning, LargeBlocksStayMappedOnTheirOwnAfterOneIsFreed) {
#ifndef __GLIBC__
    GTEST_SKIP() << "only glibc's allocator has the setting";
#else
#ifdef LUNVIK_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers bring their own allocator";
#endif
    ASSERT_TRUE(AllocatorTuning::giveLargeBlocksBack());
    const std::size_t bytes = 8 * AllocatorTuning::largeBlockBytes;
    for (int round = 0; round < 3; ++round) {
        const std::size_t mappedBefore = mallinfo2().hblkhd;
        void* block = std::malloc(bytes);
        ASSERT_TRUE(block);
        std::memset(block, 1, bytes);
        EXPECT_GE(mallinfo2().hblkhd, mappedBefore + bytes) << "round " << round;
        std::free(block);
        EXPECT_EQ(mallinfo2().hblkhd, mappedBefore) << "round " << round;
    }
    // A block below the size still comes from the heap.
    const std::size_t mappedBefore = mallinfo2().hblkhd;
    void* small = std::malloc(AllocatorTuning::largeBlockBytes / 4);
    ASSERT_TRUE(small);
    EXPECT_EQ(mallinfo2().hblkhd, mappedBefore);
    std::free(small);
#endif
}

} // namespace
