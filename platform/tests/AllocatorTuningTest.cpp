#include "platform/AllocatorTuning.h"
#include "platform/tests/support/ResidentPages.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

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

TEST(AllocatorTuning, PagesMadeAheadAreThereBeforeTheWriteAndKeepWhatTheBlockHolds) {
    const std::size_t bytes = 8 * AllocatorTuning::largeBlockBytes + 123;
    // A block of its own, none of whose pages were touched yet.
    void* fresh = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(fresh, MAP_FAILED);
    const std::size_t pages =
        (bytes + std::size_t(sysconf(_SC_PAGESIZE)) - 1) / std::size_t(sysconf(_SC_PAGESIZE));
    EXPECT_EQ(ResidentPages::count(fresh, bytes), 0u);
    if (!AllocatorTuning::makePagesAhead(static_cast<char*>(fresh) + 5, bytes - 5)) {
        munmap(fresh, bytes);
        GTEST_SKIP() << "the kernel does not make pages ahead";
    }
    EXPECT_EQ(ResidentPages::count(fresh, bytes), pages);
    munmap(fresh, bytes);

    // An allocated block that holds data, asked for from an odd address to
    // an odd end: nothing in it or around it changes.
    std::vector<unsigned char> held(bytes);
    for (std::size_t i = 0; i < held.size(); ++i) {
        held[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    const std::vector<unsigned char> before = held;
    EXPECT_TRUE(AllocatorTuning::makePagesAhead(held.data() + 3, held.size() - 10));
    EXPECT_TRUE(held == before);
    EXPECT_TRUE(AllocatorTuning::makePagesAhead(nullptr, 0));
}

// Large pages are asked for only where a whole one lies inside the block,
// and what the block holds stays.
TEST(AllocatorTuning, LargePagesAreAskedForInsideABlockAndKeepWhatItHolds) {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(setting, modes);
    const bool kernelMakesThem =
        modes.find("[always]") != std::string::npos || modes.find("[madvise]") != std::string::npos;
    constexpr std::size_t large = std::size_t(2) << 20;
    std::vector<unsigned char> held(3 * large);
    for (std::size_t i = 0; i < held.size(); ++i) {
        held[i] = static_cast<unsigned char>(i * 13 + 5);
    }
    const std::vector<unsigned char> before = held;
    // Three large pages' worth hold at least two whole ones, wherever they
    // start; one large page's worth less a byte can hold none.
    EXPECT_EQ(AllocatorTuning::adviseLargePages(held.data() + 1, held.size() - 1), kernelMakesThem);
    EXPECT_FALSE(AllocatorTuning::adviseLargePages(held.data(), large - 1));
    EXPECT_FALSE(AllocatorTuning::adviseLargePages(nullptr, 0));
    EXPECT_TRUE(held == before);
}

} // namespace
