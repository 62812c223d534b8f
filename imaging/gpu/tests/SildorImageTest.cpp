#include "imaging/gpu/SildorImage.h"
#include "imaging/gpu/SildorImageBuiltinFilter.h"
#include "imaging/gpu/SildorImageBuiltinGenerator.h"
#include "platform/Bundle.h"
#include "platform/compute/ComputeTestHooks.h"
#include "platform/compute/KernelRegistry.h"

#include <gtest/gtest.h>

#include <vector>

using namespace sildor;
using platform::compute::ComputeTestHooks;
using Fault = ComputeTestHooks::Fault;
using Size = SildorImage::Size;
using Region = SildorImage::Region;

namespace {

std::vector<std::uint8_t> ramp(std::size_t count) {
    std::vector<std::uint8_t> v(count);
    for (std::size_t i = 0; i < count; ++i) {
        v[i] = std::uint8_t(i * 7 + 3);
    }
    return v;
}

std::unique_ptr<SildorImage> imageWith(const std::vector<std::uint8_t>& pixels, std::size_t w,
                                       std::size_t h) {
    auto image = SildorImage::make(std::make_shared<SildorContext>(), Size{w, h, 1});
    EXPECT_TRUE(image->replace(pixels.data(), std::nullopt, w));
    return image;
}

std::vector<std::uint8_t> readBack(const SildorImage& image) {
    std::vector<std::uint8_t> out(image.size().width * image.size().height);
    EXPECT_TRUE(image.getBytes(out.data(), image.size().width));
    return out;
}

const auto keep = SildorImageBuiltinFilter::gamma(1.0);

} // namespace

TEST(SildorImage, FilterPassesTradeTheTexturesAndKeepTheScratchOne) {
    auto image = imageWith(ramp(40 * 30), 40, 30);
    const auto first = image->textureA();
    EXPECT_EQ(image->textureB(), nullptr);

    // An empty chain runs and leaves a scratch texture of the same size.
    image->apply(std::vector<const SildorImageFilter*>{});
    EXPECT_EQ(image->textureA(), first);
    ASSERT_NE(image->textureB(), nullptr);
    EXPECT_EQ(image->textureB()->size(), first->size());
    const auto second = image->textureB();

    // One filter: the result is in the other texture.
    image->apply({&keep});
    EXPECT_EQ(image->textureA(), second);
    EXPECT_EQ(image->textureB(), first);

    // Two filters: back in the texture the pass started from.
    image->apply({&keep, &keep});
    EXPECT_EQ(image->textureA(), second);
    EXPECT_EQ(image->textureB(), first);

    // The same-size form of a single filter is that one-filter chain.
    image->apply(keep, Size{40, 30, 1});
    EXPECT_EQ(image->textureA(), first);
    EXPECT_EQ(image->textureB(), second);
    EXPECT_EQ(readBack(*image), ramp(40 * 30));
}

TEST(SildorImage, AnImageOverTheCallersBytesFiltersThemWhereTheyLie) {
    const std::size_t w = 37, h = 23;
    const auto original = ramp(w * h);
    const auto level = SildorImageBuiltinFilter::level(0.2, 0.7);
    const auto gamma = SildorImageBuiltinFilter::gamma(1.7);
    const auto threshold = SildorImageBuiltinFilter::threshold(0.4);
    const std::vector<const SildorImageFilter*> chain{&level, &gamma, &threshold};
    auto reference = imageWith(original, w, h);
    reference->apply(chain);

    auto bytes = original;
    auto image =
        SildorImage::makeOver(std::make_shared<SildorContext>(), bytes.data(), Size{w, h, 1});
    ASSERT_TRUE(image);
    image->applyInPlace(chain);
    EXPECT_EQ(bytes, readBack(*reference));
    // No scratch texture: the picture is still the caller's bytes.
    EXPECT_EQ(image->textureA()->data(), bytes.data());
    EXPECT_EQ(image->textureB(), nullptr);

    ComputeTestHooks::Scope noTexture(Fault::noTexture);
    EXPECT_FALSE(
        SildorImage::makeOver(std::make_shared<SildorContext>(), bytes.data(), Size{w, h, 1}));
}

TEST(SildorImage, ReplacingPixelsResizesOnlyForANewSize) {
    auto image = imageWith(ramp(20 * 10), 20, 10);
    image->apply({&keep});
    const auto a = image->textureA();
    const auto b = image->textureB();

    const auto other = std::vector<std::uint8_t>(20 * 10, 9);
    EXPECT_TRUE(image->replace(other.data(), Size{20, 10, 1}, 20));
    EXPECT_EQ(image->textureA(), a);
    EXPECT_EQ(image->textureB(), b);
    EXPECT_EQ(readBack(*image), other);

    // Rows with padding: only the row's bytes are taken.
    std::vector<std::uint8_t> padded(8 * 3, 0xEE);
    for (std::size_t y = 0; y < 3; ++y) {
        for (std::size_t x = 0; x < 5; ++x) {
            padded[y * 8 + x] = std::uint8_t(y * 10 + x);
        }
    }
    EXPECT_TRUE(image->replace(padded.data(), Size{5, 3, 1}, 8));
    EXPECT_EQ(image->size(), (Size{5, 3, 1}));
    EXPECT_EQ(image->textureB(), nullptr);
    EXPECT_EQ(readBack(*image),
              (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 10, 11, 12, 13, 14, 20, 21, 22, 23, 24}));
    image->apply({&keep});
    ASSERT_NE(image->textureB(), nullptr);
    EXPECT_EQ(image->textureB()->size(), (Size{5, 3, 1}));

    // A size whose texture cannot be made leaves the picture as it was.
    {
        ComputeTestHooks::Scope noTexture(Fault::noTexture);
        EXPECT_FALSE(image->replace(other.data(), Size{20, 10, 1}, 20));
    }
    EXPECT_EQ(image->size(), (Size{5, 3, 1}));
    EXPECT_FALSE(image->replace(other.data(), std::nullopt, 2)); // stride shorter than a row
    EXPECT_FALSE(image->replace(nullptr, std::nullopt, 5));
}

TEST(SildorImage, CopiesAnotherImageAndItsSize) {
    auto source = imageWith(ramp(6 * 4), 6, 4);
    auto image = imageWith(std::vector<std::uint8_t>(3 * 3, 1), 3, 3);
    image->apply({&keep});
    ASSERT_TRUE(image->replace(*source));
    EXPECT_EQ(image->size(), (Size{6, 4, 1}));
    EXPECT_EQ(image->textureB(), nullptr);
    EXPECT_NE(image->textureA(), source->textureA());
    EXPECT_EQ(readBack(*image), ramp(6 * 4));

    // Without a blit encoder nothing is copied and nothing is thrown.
    auto same = imageWith(std::vector<std::uint8_t>(6 * 4, 5), 6, 4);
    {
        ComputeTestHooks::Scope noBlit(Fault::noBlitEncoder);
        EXPECT_FALSE(same->replace(*source));
    }
    EXPECT_EQ(readBack(*same), std::vector<std::uint8_t>(6 * 4, 5));

    // Nor does a picture of another size lose its pixels or its size.
    auto other = imageWith(std::vector<std::uint8_t>(3 * 3, 9), 3, 3);
    {
        ComputeTestHooks::Scope noBlit(Fault::noBlitEncoder);
        EXPECT_FALSE(other->replace(*source));
    }
    EXPECT_EQ(other->size(), (Size{3, 3, 1}));
    EXPECT_EQ(readBack(*other), std::vector<std::uint8_t>(3 * 3, 9));
}

TEST(SildorImage, ReadsRegionsBackAtTheCallersStride) {
    auto image = imageWith(ramp(100 * 50), 100, 50);
    const auto all = ramp(100 * 50);
    std::vector<std::uint8_t> region(10 * 5);
    ASSERT_TRUE(image->getBytes(region.data(), 10, Region::make2D(20, 30, 10, 5)));
    for (std::size_t y = 0; y < 5; ++y) {
        for (std::size_t x = 0; x < 10; ++x) {
            ASSERT_EQ(region[y * 10 + x], all[(30 + y) * 100 + 20 + x]);
        }
    }

    const QImage picture = image->makeCgImage(Region::make2D(20, 30, 10, 5));
    ASSERT_EQ(picture.size(), QSize(100, 50));
    EXPECT_EQ(picture.format(), QImage::Format_Grayscale8);
    // The region's rows are packed at the picture's stride: row y of the
    // region fills the start of row y.
    for (int y = 0; y < 50; ++y) {
        const uchar* line = picture.constScanLine(y);
        for (int x = 0; x < 100; ++x) {
            const int expected = (y < 5 && x < 10) ? region[y * 10 + x] : 0;
            ASSERT_EQ(line[x], expected) << x << "," << y;
        }
    }
    const QImage whole = image->makeCgImage();
    EXPECT_EQ(whole.constScanLine(49)[99], all[49 * 100 + 99]);
}

TEST(SildorImage, FilterWithAnotherOutputSizeGetsAFreshPicture) {
    auto image = imageWith({1, 2, 3, 4, 5, 6}, 3, 2);
    image->apply({&keep});
    const auto turn = SildorImageBuiltinFilter::rotate90(1);
    image->apply(turn, Size{2, 3, 1});
    EXPECT_EQ(image->size(), (Size{2, 3, 1}));
    EXPECT_EQ(image->textureB(), nullptr);
    EXPECT_EQ(readBack(*image), (std::vector<std::uint8_t>{4, 1, 5, 2, 6, 3}));
}

TEST(SildorImage, GeneratorFillsThePicture) {
    auto image = imageWith(ramp(33 * 17), 33, 17);
    image->apply(SildorImageBuiltinGenerator::solidColor(0.5));
    EXPECT_EQ(readBack(*image), std::vector<std::uint8_t>(33 * 17, 128));
    image->apply(SildorImageBuiltinGenerator::solidColor(7.0));
    EXPECT_EQ(readBack(*image), std::vector<std::uint8_t>(33 * 17, 255));
}

TEST(SildorImage, MakingAnImageNeedsATexture) {
    auto context = std::make_shared<SildorContext>();
    EXPECT_FALSE(SildorImage::make(context, Size{0, 10, 1}));
    ComputeTestHooks::Scope noTexture(Fault::noTexture);
    EXPECT_FALSE(SildorImage::make(context, Size{10, 10, 1}));
}

TEST(SildorImage, MissingDeviceWorkThrowsAndLeavesThePictureAlone) {
    const auto pixels = ramp(16 * 16);
    auto image = imageWith(pixels, 16, 16);
    const auto a = image->textureA();
    using Case = SildorImage::FunctionError::Case;
    const auto expectError = [&](Case expected, auto&& operation) {
        try {
            operation();
            ADD_FAILURE() << "no error";
        } catch (const SildorImage::FunctionError& e) {
            EXPECT_EQ(e.errorCase(), expected);
            EXPECT_EQ(static_cast<const platform::Error&>(e).domain(),
                      SildorImage::FunctionError::domain);
        }
    };
    const auto chain = [&] { image->apply({&keep}); };
    const auto resize = [&] { image->apply(keep, Size{8, 8, 1}); };
    const auto generate = [&] { image->apply(SildorImageBuiltinGenerator::solidColor(0)); };
    for (const auto& [fault, expected] :
         {std::pair{Fault::noCommandBuffer, Case::noCommandBuffer},
          std::pair{Fault::noComputeEncoder, Case::noComputeEncoder}}) {
        ComputeTestHooks::Scope scope(fault);
        expectError(expected, chain);
        expectError(expected, resize);
        expectError(expected, generate);
    }
    EXPECT_EQ(image->textureA(), a);
    EXPECT_EQ(readBack(*image), pixels);

    ComputeTestHooks::Scope scope(Fault::noTexture);
    expectError(Case::noTexture, chain);
    expectError(Case::noTexture, resize);
    EXPECT_EQ(image->textureA(), a);
    EXPECT_EQ(image->textureB(), nullptr);
    EXPECT_EQ(readBack(*image), pixels);
}

TEST(SildorImage, AChainWithAMissingKernelRunsNothing) {
    // A library that has only "threshold": the chain's second filter cannot
    // be had, so the first must not run either.
    const auto* partial = platform::Bundle::named("SildorPartialKernels");
    platform::compute::Kernel allBlack;
    allBlack.byteMap = [](const platform::compute::KernelArguments&) {
        return platform::compute::ByteMap{};
    };
    platform::compute::KernelRegistry::registerKernel(partial, "threshold", allBlack);

    const auto pixels = ramp(20 * 20);
    auto image = imageWith(pixels, 20, 20);
    const auto a = image->textureA();
    SildorImageBuiltinFilter::setBundle(partial);
    const auto t = SildorImageBuiltinFilter::threshold(0.5);
    const auto g = SildorImageBuiltinFilter::gamma(2.0);
    try {
        image->apply({&t, &g});
        ADD_FAILURE() << "gamma ran from a library without it";
    } catch (const SildorContext::FuncionError& e) {
        EXPECT_EQ(e.errorCase(), SildorContext::FuncionError::Case::noFunction);
        EXPECT_EQ(e.functionName(), "gamma");
    }
    EXPECT_EQ(image->textureA(), a);
    EXPECT_EQ(image->textureB(), nullptr);
    EXPECT_EQ(readBack(*image), pixels);

    // With the kernel at hand the same library works.
    image->apply({&t});
    EXPECT_EQ(readBack(*image), std::vector<std::uint8_t>(20 * 20, 0));
    SildorImageBuiltinFilter::setBundle(nullptr);
}
