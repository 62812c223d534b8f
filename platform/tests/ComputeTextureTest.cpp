#include "platform/compute/ComputeTestHooks.h"
#include "platform/compute/Device.h"
#include "platform/compute/TextureMemory.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace platform::compute;

namespace {

std::shared_ptr<Texture> makeTexture(std::size_t w, std::size_t h) {
    auto d = TextureDescriptor::texture2D(PixelFormat::r8Unorm, w, h, false);
    d.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    return Device::systemDefault()->newTexture(d);
}

} // namespace

TEST(ComputeTexture, StartsZeroedAndRefusesWhatCannotBeMade) {
    auto texture = makeTexture(7, 3);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->size(), (Size{7, 3, 1}));
    EXPECT_EQ(texture->bytesPerRow(), 7u);
    for (std::size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(texture->data()[i], 0);
    }
    auto device = Device::systemDefault();
    EXPECT_FALSE(
        device->newTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, 0, 5, false)));
    EXPECT_FALSE(
        device->newTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, 5, 5, true)));
    EXPECT_FALSE(device->newTexture(
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, std::size_t(1) << 40, 1 << 30, false)));
    ComputeTestHooks::Scope noTexture(ComputeTestHooks::Fault::noTexture);
    EXPECT_FALSE(makeTexture(4, 4));
}

TEST(ComputeTexture, LargeTexturesAreZeroedEvenWhenTheirMemoryIsReused) {
    const auto isZero = [](const Texture& t) {
        const auto* bytes = t.data();
        return std::all_of(bytes, bytes + t.width() * t.height(),
                           [](std::uint8_t b) { return b == 0; });
    };
    for (int round = 0; round < 3; ++round) {
        auto texture = makeTexture(4000, 3000 - round);
        ASSERT_TRUE(texture);
        EXPECT_TRUE(isZero(*texture)) << round;
        std::memset(texture->data(), 0xAB, texture->width() * texture->height());
    }
}

// A size no other case here uses, so that no block of theirs serves it.
TEST(ComputeTexture, PreparedMemoryIsFaultedInWhenALikeTextureTakesIt) {
    constexpr std::size_t bytes = std::size_t(48) << 20;
    auto& pool = Device::systemDefault()->threadPool();
    TextureMemory::prepare(bytes);
    // Taken at once, while it may still be faulted in: the allocation waits
    // for it rather than mapping fresh memory.
    auto memory = TextureMemory::allocate(bytes, pool, TextureMemory::Contents::undefined);
    ASSERT_TRUE(memory);
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident(bytes / page);
    ASSERT_EQ(mincore(memory.bytes(), bytes, resident.data()), 0);
    EXPECT_TRUE(
        std::all_of(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));

    // Kept again after use; preparing once more finds it, and a texture that
    // takes it is still cleared.
    std::memset(memory.bytes(), 0xCD, bytes);
    memory = TextureMemory();
    TextureMemory::prepare(bytes);
    memory = TextureMemory::allocate(bytes, pool);
    ASSERT_TRUE(memory);
    EXPECT_TRUE(
        std::all_of(memory.bytes(), memory.bytes() + bytes, [](std::uint8_t b) { return b == 0; }));
}

TEST(ComputeTexture, RegionsHonourStridesAndStopAtTheEdges) {
    auto texture = makeTexture(6, 4);
    // Two rows of three at a stride of five; the padding must not be copied.
    const std::uint8_t rows[] = {1, 2, 3, 99, 99, 4, 5, 6, 99, 99};
    ASSERT_TRUE(texture->replaceRegion(Region::make2D(2, 1, 3, 2), 0, rows, 5));
    std::vector<std::uint8_t> all(24);
    ASSERT_TRUE(texture->getBytes(all.data(), 6, Region::make2D(0, 0, 6, 4), 0));
    EXPECT_EQ(all, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, //
                                              0, 0, 1, 2, 3, 0, //
                                              0, 0, 4, 5, 6, 0, //
                                              0, 0, 0, 0, 0, 0}));

    // A region reaching past the texture writes only what lies inside.
    const std::uint8_t wide[] = {7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_TRUE(texture->replaceRegion(Region::make2D(4, 3, 4, 2), 0, wide, 4));
    EXPECT_EQ(texture->row(3)[4], 7);
    EXPECT_EQ(texture->row(3)[5], 7);
    EXPECT_EQ(texture->row(3)[3], 0);

    // Nothing at all for a stride too short, a region outside or level 1.
    std::vector<std::uint8_t> out(8, 42);
    EXPECT_FALSE(texture->getBytes(out.data(), 2, Region::make2D(0, 0, 3, 1), 0));
    EXPECT_FALSE(texture->getBytes(out.data(), 8, Region::make2D(6, 0, 1, 1), 0));
    EXPECT_FALSE(texture->getBytes(out.data(), 8, Region::make2D(0, 0, 1, 1), 1));
    EXPECT_EQ(out, std::vector<std::uint8_t>(8, 42));
}

TEST(ComputeTexture, LargeCopiesArriveWhole) {
    // Big enough to be split over the workers, with a padded stride.
    const std::size_t w = 3001, h = 2000, stride = 3008;
    std::vector<std::uint8_t> source(stride * h);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = std::uint8_t(i * 31 + i / 7);
    }
    auto texture = makeTexture(w, h);
    ASSERT_TRUE(texture->replaceRegion(Region::make2D(0, 0, w, h), 0, source.data(), stride));
    std::vector<std::uint8_t> back(stride * h, 0);
    ASSERT_TRUE(texture->getBytes(back.data(), stride, Region::make2D(0, 0, w, h), 0));
    for (std::size_t y = 0; y < h; ++y) {
        ASSERT_EQ(0, std::memcmp(&back[y * stride], &source[y * stride], w)) << y;
    }
}
