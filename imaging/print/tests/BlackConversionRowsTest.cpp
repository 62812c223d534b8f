#include "imaging/print/BlackConversionRows.h"
#include "imaging/print/HalftoneKernel.h"
#include "model/columns/BlackWhiteColumnPacker.h"
#include "platform/compute/ComputeTestHooks.h"
#include "platform/compute/Device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include <random>
#include <vector>

using namespace quenta;
using ambrel::BlackWhiteColumnPacker;
using Config = BlackConversionPass::OutputConfiguration;
using Option = ambrel::BlackWhiteColumnsSendingOption;
using Pixels = std::vector<std::uint8_t>;
using platform::compute::ComputeTestHooks;

namespace {

// Gradients with grain, and hard-edged blocks and lines that widening acts on.
Pixels page(qint64 w, qint64 h) {
    std::mt19937 random(unsigned(w * 131 + h));
    Pixels p(std::size_t(w * h));
    for (qint64 y = 0; y < h; ++y) {
        for (qint64 x = 0; x < w; ++x) {
            int v = int((x * 255) / w + (y * 64) / h) % 256 + int(random() % 33) - 16;
            if ((x / 7 + y / 5) % 9 == 0 || x % 37 == 3) {
                v = (x + y) % 3 == 0 ? 0 : 255;
            }
            p[std::size_t(y * w + x)] = std::uint8_t(std::clamp(v, 0, 255));
        }
    }
    return p;
}

Config output(bool offersExpansion, std::optional<double> deviceGamma, qint64 dot = 1) {
    Config c;
    c.purpose = Config::Purpose::output;
    c.dpi = ambrel::Dpi(600);
    DeviceBlackConversionInfo info;
    info.halftone = DeviceBlackConversionInfo::HalftoneInfo{deviceGamma};
    if (offersExpansion) {
        info.threshold = DeviceBlackConversionInfo::ThresholdInfo{true};
    }
    c.deviceAdditionalInfo = info;
    c.filterRotationCount = 1;
    c.pixelsPerDeviceDot = dot;
    return c;
}

platform::compute::ThreadPool* pool() {
    return &platform::compute::Device::systemDefault()->threadPool();
}

// The columns as they were made before: the page converted where it lies,
// then packed.
Pixels twoPasses(Pixels gray, qint64 w, qint64 h, int head,
                 ambrel::BlackWhiteColumnsSendingOptions options,
                 const ambrel::BlackConversion& conversion, const Config& config) {
    BlackConversionPass::apply(conversion, gray.data(), {w, h}, config);
    const BlackWhiteColumnPacker packer(gray.data(), {w, h}, head, options);
    Pixels out(std::size_t(w * packer.bytesPerColumn()));
    packer.packAllOutputColumns(out.data(), pool());
    return out;
}

Pixels onePass(const Pixels& gray, qint64 w, qint64 h, int head,
               ambrel::BlackWhiteColumnsSendingOptions options,
               const ambrel::BlackConversion& conversion, const Config& config) {
    const BlackWhiteColumnPacker packer =
        BlackConversionRows::packer(conversion, gray.data(), {w, h}, config, head, options);
    Pixels out(std::size_t(w * packer.bytesPerColumn()));
    packer.packAllOutputColumns(out.data(), pool());
    return out;
}

} // namespace

// Odd sizes, pieces of rows that end inside blocks of 64 and stretches of
// columns, heads that centre the page or drop its last rows, and every way
// of making black: each must give the very columns of the two passes.
TEST(BlackConversionRows, onePassGivesTheColumnsOfConvertingThenPacking) {
    const struct {
        qint64 w, h;
        int head;
    } shapes[] = {{1, 1, 8},       {37, 13, 16},     {130, 100, 128}, {515, 70, 64},
                  {700, 203, 200}, {1100, 150, 160}, {1031, 261, 256}};
    std::vector<std::pair<ambrel::BlackConversion, Config>> conversions;
    for (double t : {0.0, 0.25, 0.5, 127.0 / 255.0, 1.0}) {
        conversions.push_back({ambrel::BlackConversion::threshold({t, 0}), output(false, {})});
    }
    for (qint64 level = -6; level <= 6; ++level) {
        conversions.push_back(
            {ambrel::BlackConversion::threshold({0.45, level}), output(true, {})});
    }
    for (qint64 level : {-5, -1, 2, 4, 5}) {
        conversions.push_back(
            {ambrel::BlackConversion::threshold({0.55, level}), output(true, {}, 2)});
    }
    ambrel::BlackConversion::HalftoneOption screen;
    conversions.push_back({ambrel::BlackConversion::halftone(screen), output(false, {})});
    screen = {13.0, 15.0, -0.4, 0.2, 0.3};
    conversions.push_back({ambrel::BlackConversion::halftone(screen), output(false, 0.9)});
    screen = {60.0, 45.0, 0.6, 0.4, 0.0};
    conversions.push_back({ambrel::BlackConversion::halftone(screen), output(false, 1.2)});

    const ambrel::BlackWhiteColumnsSendingOptions print =
        Option::reverseRows | Option::reverseRowBits | Option::reverseColumns;
    for (const auto& shape : shapes) {
        const Pixels gray = page(shape.w, shape.h);
        for (std::size_t i = 0; i < conversions.size(); ++i) {
            const auto& [conversion, config] = conversions[i];
            for (const auto options : {print, ambrel::BlackWhiteColumnsSendingOptions()}) {
                const Pixels columns =
                    onePass(gray, shape.w, shape.h, shape.head, options, conversion, config);
                ASSERT_EQ(columns, twoPasses(gray, shape.w, shape.h, shape.head, options,
                                             conversion, config))
                    << shape.w << " x " << shape.h << " on " << shape.head << " dots, conversion "
                    << i << ", options " << options.toInt();
                if (conversion.halftoneOption()) {
                    // Through the level and gamma tables too, the screen's
                    // vector paths agree with its plain double comparison.
                    HalftoneKernel::allowWideScreen(false);
                    const Pixels plain =
                        twoPasses(gray, shape.w, shape.h, shape.head, options, conversion, config);
                    HalftoneKernel::allowWideScreen(true);
                    ASSERT_EQ(columns, plain)
                        << shape.w << " x " << shape.h << ", conversion " << i;
                }
            }
        }
        // Nothing is written back to the page.
        EXPECT_EQ(gray, page(shape.w, shape.h));
    }
}

TEST(BlackConversionRows, aConversionThatCannotRunFailsBeforeAnyRowIsMade) {
    const Pixels gray = page(40, 30);
    {
        ComputeTestHooks::Scope noDevice(ComputeTestHooks::Fault::noDevice);
        EXPECT_THROW(BlackConversionRows::make(ambrel::BlackConversion::halftone(), gray.data(),
                                               {40, 30}, output(false, {})),
                     sildor::SildorContext::InitializationError);
    }
    for (auto fault : {ComputeTestHooks::Fault::noTexture, ComputeTestHooks::Fault::noCommandBuffer,
                       ComputeTestHooks::Fault::noComputeEncoder}) {
        ComputeTestHooks::Scope scope(fault);
        EXPECT_THROW(BlackConversionRows::make(ambrel::BlackConversion::threshold(), gray.data(),
                                               {40, 30}, output(false, {})),
                     sildor::SildorImage::FunctionError);
    }
}
