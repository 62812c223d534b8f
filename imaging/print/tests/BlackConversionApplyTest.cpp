#include "imaging/print/BlackConversionPass.h"
#include "platform/compute/ComputeTestHooks.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace quenta;
using platform::compute::ComputeTestHooks;
using Config = BlackConversionPass::OutputConfiguration;
using Purpose = Config::Purpose;
using Size = sildor::SildorImage::Size;

namespace {

std::vector<std::uint8_t> photo(std::size_t w, std::size_t h) {
    std::vector<std::uint8_t> p(w * h);
    std::mt19937 random(11);
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            p[y * w + x] = std::uint8_t((x * 255 / w + random() % 9) % 256);
        }
    }
    return p;
}

Config config(Purpose purpose) {
    Config c;
    c.purpose = purpose;
    c.dpi = ambrel::Dpi(600);
    DeviceBlackConversionInfo info;
    info.halftone = DeviceBlackConversionInfo::HalftoneInfo{0.9};
    c.deviceAdditionalInfo = info;
    c.filterRotationCount = 1;
    c.filterOffset = QPointF(2, 1);
    return c;
}

const auto halftone = ambrel::BlackConversion::halftone({20, 30, -0.2, 0.1, 0.15});

} // namespace

TEST(BlackConversionApply, InPlaceGivesWhatTheFiltersGiveOneByOne) {
    // The chain runs as one pass; each filter on its own runs as its own pass.
    // Both must agree on every pixel.
    const std::size_t w = 517, h = 389;
    const auto original = photo(w, h);
    for (Purpose purpose : {Purpose::output, Purpose::preview}) {
        auto converted = original;
        BlackConversionPass::apply(halftone, converted.data(),
                                   ambrel::Size_px{qint64(w), qint64(h)}, config(purpose));

        auto image =
            sildor::SildorImage::make(std::make_shared<sildor::SildorContext>(), Size{w, h, 1});
        image->replace(original.data(), std::nullopt, w);
        for (const auto& filter : BlackConversionPass::filters(halftone, config(purpose))) {
            std::visit([&](const auto& f) { image->apply({&f}); }, filter);
        }
        std::vector<std::uint8_t> stepwise(w * h);
        image->getBytes(stepwise.data(), w);
        EXPECT_EQ(converted, stepwise) << int(purpose);
    }
}

TEST(BlackConversionApply, ThresholdInPlace) {
    std::vector<std::uint8_t> pixels{0, 76, 77, 127, 128, 255};
    BlackConversionPass::apply(ambrel::BlackConversion::threshold({0.3, 2}), pixels.data(),
                               ambrel::Size_px{3, 2}, config(Purpose::output));
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{0, 0, 255, 255, 255, 255}));
}

TEST(BlackConversionApply, OnAnImageTheResultIsItsPicture) {
    const std::size_t w = 64, h = 48;
    auto image =
        sildor::SildorImage::make(std::make_shared<sildor::SildorContext>(), Size{w, h, 1});
    const auto original = photo(w, h);
    image->replace(original.data(), std::nullopt, w);
    BlackConversionPass::apply(halftone, *image, config(Purpose::output));
    std::vector<std::uint8_t> out(w * h);
    image->getBytes(out.data(), w);
    for (std::uint8_t p : out) {
        ASSERT_TRUE(p == 0 || p == 255);
    }
    EXPECT_NE(out, original);
}

TEST(BlackConversionApply, WithoutADeviceThePreviewStaysGrayAndThePrintFails) {
    const auto original = photo(40, 30);
    auto pixels = original;
    ComputeTestHooks::Scope noDevice(ComputeTestHooks::Fault::noDevice);
    BlackConversionPass::apply(halftone, pixels.data(), ambrel::Size_px{40, 30},
                               config(Purpose::preview));
    EXPECT_EQ(pixels, original);
    try {
        BlackConversionPass::apply(halftone, pixels.data(), ambrel::Size_px{40, 30},
                                   config(Purpose::output));
        ADD_FAILURE() << "an unconverted picture would have been printed";
    } catch (const sildor::SildorContext::InitializationError& e) {
        EXPECT_EQ(e.errorCase(), sildor::SildorContext::InitializationError::Case::noDevice);
    }
    EXPECT_EQ(pixels, original);
}

TEST(BlackConversionApply, WithoutMemoryThePreviewStaysGrayAndThePrintFails) {
    const auto original = photo(40, 30);
    auto pixels = original;
    for (auto fault :
         {ComputeTestHooks::Fault::noTexture, ComputeTestHooks::Fault::noCommandBuffer}) {
        ComputeTestHooks::Scope scope(fault);
        BlackConversionPass::apply(halftone, pixels.data(), ambrel::Size_px{40, 30},
                                   config(Purpose::preview));
        EXPECT_EQ(pixels, original);
        EXPECT_THROW(BlackConversionPass::apply(halftone, pixels.data(), ambrel::Size_px{40, 30},
                                                config(Purpose::output)),
                     sildor::SildorImage::FunctionError);
        EXPECT_EQ(pixels, original);
    }
}

TEST(BlackConversionApply, EmptyPicturesAreLeftAlone) {
    std::uint8_t byte = 100;
    for (const auto size : {ambrel::Size_px{0, 5}, ambrel::Size_px{5, 0}, ambrel::Size_px{-3, 4}}) {
        BlackConversionPass::apply(halftone, &byte, size, config(Purpose::output));
        EXPECT_EQ(byte, 100);
    }
    BlackConversionPass::apply(halftone, nullptr, ambrel::Size_px{4, 4}, config(Purpose::output));
}
