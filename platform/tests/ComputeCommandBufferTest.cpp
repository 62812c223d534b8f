#include "platform/Bundle.h"
#include "platform/compute/BlitCommandEncoder.h"
#include "platform/compute/BytePass.h"
#include "platform/compute/CommandBuffer.h"
#include "platform/compute/CommandQueue.h"
#include "platform/compute/ComputeCommandEncoder.h"
#include "platform/compute/ComputeError.h"
#include "platform/compute/ComputeTestHooks.h"
#include "platform/compute/Device.h"
#include "platform/compute/KernelRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>

using namespace platform::compute;

namespace {

const platform::Bundle* testBundle() {
    return platform::Bundle::named("ComputeTestKernels");
}

std::atomic<int> consumerMapsSeen{0};
// The first rows of the bands the last "sumAbove" dispatch was given.
std::shared_ptr<std::vector<std::size_t>> bandsSeen;

// Kernels small enough to check by hand: "count" adds one to every pixel of
// texture 0 its threads reach; "plus" and "invert" are byte maps; "xorConsumer"
// reads its source through an optional table.
void registerTestKernels() {
    static const bool once = [] {
        Kernel count;
        count.prepare = [](const KernelArguments& a) -> TileWork {
            Texture* t = a.texture(0);
            return [t](const ThreadRect& r) {
                for (std::size_t y = r.y0; y < std::min(r.y1, t->height()); ++y) {
                    for (std::size_t x = r.x0; x < std::min(r.x1, t->width()); ++x) {
                        t->row(y)[x] += 1;
                    }
                }
            };
        };
        KernelRegistry::registerKernel(testBundle(), "count", count);

        Kernel plus;
        plus.byteMap = [](const KernelArguments& a) {
            const int k = a.value<std::int32_t>(0).value_or(0);
            ByteMap m;
            for (int b = 0; b < 256; ++b) {
                m[b] = std::uint8_t(std::clamp(b + k, 0, 255));
            }
            return m;
        };
        KernelRegistry::registerKernel(testBundle(), "plus", plus);

        Kernel invert;
        invert.byteMap = [](const KernelArguments&) {
            ByteMap m;
            for (int b = 0; b < 256; ++b) {
                m[b] = std::uint8_t(255 - b);
            }
            return m;
        };
        KernelRegistry::registerKernel(testBundle(), "invert", invert);

        Kernel consumer;
        consumer.prepareWithSourceMap = [](const KernelArguments& a, const ByteMap& map) {
            if (map != BytePass::identity()) {
                consumerMapsSeen.fetch_add(1);
            }
            Texture* s = a.texture(0);
            Texture* d = a.texture(1);
            return TileWork([s, d, map](const ThreadRect& r) {
                for (std::size_t y = r.y0; y < std::min(r.y1, d->height()); ++y) {
                    for (std::size_t x = r.x0; x < std::min(r.x1, d->width()); ++x) {
                        d->row(y)[x] = map[s->row(y)[x]] ^ 0x0F;
                    }
                }
            });
        };
        consumer.prepare = [prepare = consumer.prepareWithSourceMap](const KernelArguments& a) {
            return prepare(a, BytePass::identity());
        };
        KernelRegistry::registerKernel(testBundle(), "xorConsumer", consumer);

        // Each pixel plus the one above it, both through the source table;
        // keeps the row above each band, since the band above overwrites it.
        Kernel sumAbove;
        sumAbove.prepareInBands = [](const KernelArguments& a, const ByteMap& map,
                                     const std::vector<ThreadRect>& bands) {
            Texture* s = a.texture(0);
            Texture* d = a.texture(1);
            auto kept = std::make_shared<std::vector<std::vector<std::uint8_t>>>();
            for (const ThreadRect& band : bands) {
                kept->emplace_back(s->width(), 0);
                if (band.y0 > 0) {
                    std::copy_n(s->row(band.y0 - 1), s->width(), kept->back().data());
                }
            }
            auto firsts = std::make_shared<std::vector<std::size_t>>();
            for (const ThreadRect& band : bands) {
                firsts->push_back(band.y0);
            }
            bandsSeen = firsts;
            return TileWork([s, d, map, kept, firsts](const ThreadRect& r) {
                const auto index =
                    std::size_t(std::find(firsts->begin(), firsts->end(), r.y0) - firsts->begin());
                std::vector<std::uint8_t> above = kept->at(index);
                if (r.y0 == 0) {
                    std::fill(above.begin(), above.end(), 0);
                } else {
                    for (auto& v : above) {
                        v = map[v];
                    }
                }
                for (std::size_t y = r.y0; y < std::min(r.y1, d->height()); ++y) {
                    std::vector<std::uint8_t> own(s->row(y), s->row(y) + s->width());
                    for (auto& v : own) {
                        v = map[v];
                    }
                    for (std::size_t x = 0; x < d->width(); ++x) {
                        d->row(y)[x] = std::uint8_t(own[x] + above[x]);
                    }
                    above = own;
                }
            });
        };
        KernelRegistry::registerKernel(testBundle(), "sumAbove", sumAbove);
        KernelRegistry::registerKernel(testBundle(), "nothing", Kernel{});
        return true;
    }();
    (void)once;
}

class ComputeCommandBuffer : public ::testing::Test {
protected:
    void SetUp() override {
        registerTestKernels();
        device = Device::systemDefault();
        ASSERT_TRUE(device);
        queue = device->newCommandQueue();
        library = device->newDefaultLibrary(testBundle());
    }

    std::shared_ptr<Texture> texture(std::size_t w, std::size_t h) {
        return device->newTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, w, h, false));
    }

    std::shared_ptr<ComputePipelineState> pipeline(const QString& name) {
        return device->newComputePipelineState(*library->newFunction(name));
    }

    // The grid a picture of w x h pixels is dispatched over.
    static Size groups(std::size_t w, std::size_t h) {
        return Size{(w + 15) / 16, (h + 15) / 16, 1};
    }

    std::shared_ptr<Device> device;
    std::shared_ptr<CommandQueue> queue;
    std::shared_ptr<Library> library;
};

using ComputeCommandBufferDeathTest = ComputeCommandBuffer;

std::vector<std::uint8_t> pixels(const Texture& t) {
    return std::vector<std::uint8_t>(t.data(), t.data() + t.width() * t.height());
}

void fillRandom(Texture& t, unsigned seed) {
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < t.width() * t.height(); ++i) {
        t.data()[i] = std::uint8_t(random());
    }
}

} // namespace

TEST_F(ComputeCommandBuffer, EveryPixelIsReachedOnceWhateverTheGrid) {
    // Small pictures run in one tile, large ones in bands; sizes off the
    // 16-pixel grid leave threads beyond the edge that must do nothing.
    for (const auto& [w, h] : {std::pair{1, 1}, {17, 33}, {1000, 1001}, {333, 4000}}) {
        auto t = texture(w, h);
        auto buffer = queue->commandBuffer();
        auto encoder = buffer->computeCommandEncoder();
        encoder->setComputePipelineState(pipeline("count"));
        encoder->setTexture(t, 0);
        encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
        encoder->endEncoding();
        buffer->commit();
        buffer->waitUntilCompleted();
        EXPECT_EQ(buffer->status(), CommandBuffer::Status::completed);
        const auto p = pixels(*t);
        EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](std::uint8_t v) { return v == 1; }))
            << w << " x " << h;
    }
}

TEST_F(ComputeCommandBuffer, ChainedByteMapsGiveTheResultOfRunningThemOneByOne) {
    const std::size_t w = 700, h = 500;
    auto a = texture(w, h);
    auto b = texture(w, h);
    fillRandom(*a, 1);
    const auto original = pixels(*a);

    auto buffer = queue->commandBuffer();
    auto encoder = buffer->computeCommandEncoder();
    const std::int32_t ten = 10, minusThree = -3;
    encoder->setComputePipelineState(pipeline("plus"));
    encoder->setBytes(&ten, 4, 0);
    encoder->setTexture(a, 0);
    encoder->setTexture(b, 1);
    encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    encoder->setComputePipelineState(pipeline("invert"));
    encoder->setTexture(b, 0);
    encoder->setTexture(a, 1);
    encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    encoder->setComputePipelineState(pipeline("plus"));
    encoder->setBytes(&minusThree, 4, 0);
    encoder->setTexture(a, 0);
    encoder->setTexture(b, 1);
    encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    encoder->endEncoding();
    buffer->commit();

    const auto result = pixels(*b);
    for (std::size_t i = 0; i < original.size(); ++i) {
        const int step1 = std::min(255, original[i] + 10);
        const int expected = std::max(0, (255 - step1) - 3);
        ASSERT_EQ(result[i], expected) << i;
    }
}

TEST_F(ComputeCommandBuffer, AKernelTakingASourceTableRunsTheMapsBeforeItInItsOwnPass) {
    const std::size_t w = 300, h = 300;
    auto a = texture(w, h);
    auto b = texture(w, h);
    fillRandom(*a, 2);
    const auto original = pixels(*a);
    consumerMapsSeen = 0;

    auto buffer = queue->commandBuffer();
    auto encoder = buffer->computeCommandEncoder();
    encoder->setComputePipelineState(pipeline("invert"));
    encoder->setTexture(a, 0);
    encoder->setTexture(b, 1);
    encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    encoder->setComputePipelineState(pipeline("xorConsumer"));
    encoder->setTexture(b, 0);
    encoder->setTexture(a, 1);
    encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    encoder->endEncoding();
    buffer->commit();

    EXPECT_EQ(consumerMapsSeen.load(), 1);
    const auto result = pixels(*a);
    for (std::size_t i = 0; i < original.size(); ++i) {
        ASSERT_EQ(result[i], (255 - original[i]) ^ 0x0F) << i;
    }
}

TEST_F(ComputeCommandBuffer, PerPixelKernelsRunInPlaceOverTheCallersBytes) {
    // Odd sides: the grid overhangs the picture.
    const std::size_t w = 301, h = 257;
    std::vector<std::uint8_t> bytes(w * h);
    std::mt19937 random(9);
    for (auto& b : bytes) {
        b = std::uint8_t(random());
    }
    const auto original = bytes;
    auto over = device->newTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, w, h, false),
                                   bytes.data());
    ASSERT_TRUE(over);
    EXPECT_EQ(over->data(), bytes.data());

    auto buffer = queue->commandBuffer();
    auto encoder = buffer->computeCommandEncoder();
    for (const char* name : {"invert", "xorConsumer"}) {
        encoder->setComputePipelineState(pipeline(QString::fromLatin1(name)));
        encoder->setTexture(over, 0);
        encoder->setTexture(over, 1);
        encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    }
    encoder->endEncoding();
    buffer->commit();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(bytes[i], (255 - original[i]) ^ 0x0F) << i;
    }
    // The bytes stay the caller's when the texture goes.
    over.reset();
    EXPECT_EQ(bytes[0], (255 - original[0]) ^ 0x0F);

    std::uint8_t byte = 0;
    EXPECT_FALSE(device->newTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, 1, 1, false),
                                    nullptr));
    ComputeTestHooks::Scope noTexture(ComputeTestHooks::Fault::noTexture);
    EXPECT_FALSE(
        device->newTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, 1, 1, false), &byte));
}

TEST_F(ComputeCommandBuffer, AKernelGivenItsBandsReadsNeighboursInPlaceAfterTheMapsBeforeIt) {
    const std::size_t w = 300, h = 401;
    auto a = texture(w, h);
    fillRandom(*a, 5);
    const auto original = pixels(*a);
    bandsSeen.reset();

    auto buffer = queue->commandBuffer();
    auto encoder = buffer->computeCommandEncoder();
    for (const char* name : {"invert", "sumAbove"}) {
        encoder->setComputePipelineState(pipeline(QString::fromLatin1(name)));
        encoder->setTexture(a, 0);
        encoder->setTexture(a, 1);
        encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    }
    encoder->endEncoding();
    buffer->commit();

    ASSERT_TRUE(bandsSeen);
    EXPECT_GT(bandsSeen->size(), 1u);
    EXPECT_EQ(bandsSeen->front(), 0u);
    const auto result = pixels(*a);
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            const int above = y > 0 ? 255 - original[(y - 1) * w + x] : 0;
            ASSERT_EQ(result[y * w + x], std::uint8_t(255 - original[y * w + x] + above))
                << x << "," << y;
        }
    }
}

TEST_F(ComputeCommandBufferDeathTest, AKernelThatReadsNeighboursCannotWriteWhereItReads) {
    auto a = texture(64, 64);
    EXPECT_DEATH(
        {
            auto buffer = queue->commandBuffer();
            auto encoder = buffer->computeCommandEncoder();
            encoder->setComputePipelineState(pipeline("count"));
            encoder->setTexture(a, 0);
            encoder->setTexture(a, 1);
            encoder->dispatchThreadgroups(groups(64, 64), Size{16, 16, 1});
            encoder->endEncoding();
            buffer->commit();
        },
        "dispatched in place");
}

TEST_F(ComputeCommandBuffer, MapsThatDoNotFeedEachOtherRunSeparately) {
    const std::size_t w = 40, h = 20;
    auto a = texture(w, h);
    auto b = texture(w, h);
    auto c = texture(w, h);
    auto d = texture(w, h);
    fillRandom(*a, 3);
    fillRandom(*c, 4);
    const auto fromA = pixels(*a);
    const auto fromC = pixels(*c);
    consumerMapsSeen = 0;

    auto buffer = queue->commandBuffer();
    auto encoder = buffer->computeCommandEncoder();
    encoder->setComputePipelineState(pipeline("invert"));
    encoder->setTexture(a, 0);
    encoder->setTexture(b, 1);
    encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    // Reads c, not what the first map wrote.
    encoder->setComputePipelineState(pipeline("xorConsumer"));
    encoder->setTexture(c, 0);
    encoder->setTexture(d, 1);
    encoder->dispatchThreadgroups(groups(w, h), Size{16, 16, 1});
    encoder->endEncoding();
    buffer->commit();

    EXPECT_EQ(consumerMapsSeen.load(), 0);
    for (std::size_t i = 0; i < fromA.size(); ++i) {
        ASSERT_EQ(b->data()[i], 255 - fromA[i]);
        ASSERT_EQ(d->data()[i], fromC[i] ^ 0x0F);
    }
}

TEST_F(ComputeCommandBuffer, BlitCopiesClipAndSurviveOverlap) {
    auto a = texture(4, 3);
    for (std::size_t i = 0; i < 12; ++i) {
        a->data()[i] = std::uint8_t(i + 1);
    }
    auto b = texture(3, 3);
    auto buffer = queue->commandBuffer();
    auto blit = buffer->blitCommandEncoder();
    ASSERT_TRUE(blit);
    blit->copyFromTexture(a, 0, 0, Origin{}, Size{4, 3, 1}, b, 0, 0, Origin{1, 1, 0});
    // Shift a's first row one place right within itself.
    blit->copyFromTexture(a, 0, 0, Origin{}, Size{3, 1, 1}, a, 0, 0, Origin{1, 0, 0});
    blit->endEncoding();
    buffer->commit();
    EXPECT_EQ(pixels(*b), (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 2, 0, 5, 6}));
    EXPECT_EQ(pixels(*a), (std::vector<std::uint8_t>{1, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(ComputeCommandBuffer, LibrariesAndPipelines) {
    // Every compilation is a new object; caching is the caller's business.
    EXPECT_NE(pipeline("plus"), pipeline("plus"));
    EXPECT_EQ(library->newFunction("absent"), nullptr);
    try {
        device->newComputePipelineState(*library->newFunction("nothing"));
        ADD_FAILURE() << "a kernel without work compiled";
    } catch (const ComputeError& e) {
        EXPECT_EQ(e.errorCode(), ComputeError::Code::invalidKernel);
    }
    try {
        device->newDefaultLibrary(platform::Bundle::named("NoKernelsHere"));
        ADD_FAILURE() << "a bundle without kernels gave a library";
    } catch (const ComputeError& e) {
        EXPECT_EQ(e.errorCode(), ComputeError::Code::noDefaultLibrary);
        EXPECT_TRUE(e.localizedDescription().contains("NoKernelsHere"));
    }
}

TEST_F(ComputeCommandBuffer, OneEncoderAtATimeAndTheTestFaults) {
    auto buffer = queue->commandBuffer();
    auto encoder = buffer->computeCommandEncoder();
    ASSERT_TRUE(encoder);
    EXPECT_FALSE(buffer->blitCommandEncoder());
    encoder->endEncoding();
    EXPECT_TRUE(buffer->blitCommandEncoder());

    using Fault = ComputeTestHooks::Fault;
    {
        ComputeTestHooks::Scope fault(Fault::noDevice);
        EXPECT_FALSE(Device::systemDefault());
    }
    EXPECT_TRUE(Device::systemDefault());
    {
        ComputeTestHooks::Scope fault(Fault::noCommandQueue);
        EXPECT_FALSE(device->newCommandQueue());
    }
    {
        ComputeTestHooks::Scope fault(Fault::noCommandBuffer);
        EXPECT_FALSE(queue->commandBuffer());
    }
    {
        ComputeTestHooks::Scope fault(Fault::noComputeEncoder);
        EXPECT_FALSE(queue->commandBuffer()->computeCommandEncoder());
    }
    {
        ComputeTestHooks::Scope fault(Fault::noBlitEncoder);
        EXPECT_FALSE(queue->commandBuffer()->blitCommandEncoder());
    }
}
