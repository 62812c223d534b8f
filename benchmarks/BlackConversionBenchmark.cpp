// A lower layer: the black conversion alone of a whole A3 page at 600 dpi
// (7016 x 9921 gray pixels, about 70 megapixels), as the print and the
// preview run it.
//
// "InPlace" is the call the print path makes on its bitmap: the chain over
// the bytes where they lie. "OnImage" runs the chain on a picture already on
// the compute device, as the splitting does. Each reports pixels per second
// and the ratios to a one-core and an all-core copy of the page timed in the
// same run.

#include "CopyReference.h"

#include "imaging/gpu/SildorImage.h"
#include "imaging/print/BlackConversionPass.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::size_t pageWidth = 7016;
constexpr std::size_t pageHeight = 9921;

// A photograph-like page: smooth gradients with some grain.
const std::vector<std::uint8_t>& page() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> p(pageWidth * pageHeight);
        std::mt19937 random(42);
        for (std::size_t y = 0; y < pageHeight; ++y) {
            for (std::size_t x = 0; x < pageWidth; ++x) {
                const int base = int((x * 255) / pageWidth + (y * 64) / pageHeight) % 256;
                p[y * pageWidth + x] =
                    std::uint8_t(std::clamp(base + int(random() % 17) - 8, 0, 255));
            }
        }
        return p;
    }();
    return pixels;
}

ambrel::BlackConversion thresholdConversion() {
    return ambrel::BlackConversion::threshold({0.5, 0});
}

ambrel::BlackConversion halftoneConversion() {
    ambrel::BlackConversion::HalftoneOption option;
    option.linesPerInch = 20;
    option.angle_deg = 30;
    option.brightnessFactor = -0.2;
    option.blackClampFactor = 0.1;
    option.whiteClampFactor = 0.1;
    return ambrel::BlackConversion::halftone(option);
}

quenta::BlackConversionPass::OutputConfiguration
configuration(quenta::BlackConversionPass::OutputConfiguration::Purpose purpose) {
    quenta::BlackConversionPass::OutputConfiguration c;
    c.purpose = purpose;
    c.dpi = ambrel::Dpi(600);
    quenta::DeviceBlackConversionInfo info;
    info.halftone = quenta::DeviceBlackConversionInfo::HalftoneInfo{0.9};
    info.threshold = quenta::DeviceBlackConversionInfo::ThresholdInfo{true};
    c.deviceAdditionalInfo = info;
    c.filterRotationCount = 1;
    return c;
}

constexpr std::size_t pageBytes = pageWidth * pageHeight;

void inPlace(benchmark::State& state, const ambrel::BlackConversion& conversion,
             quenta::BlackConversionPass::OutputConfiguration::Purpose purpose) {
    std::vector<std::uint8_t> buffer(page().size());
    const auto config = configuration(purpose);
    bench::measure(
        state, double(pageBytes), pageBytes, [&] { buffer = page(); },
        [&] {
            quenta::BlackConversionPass::apply(
                conversion, buffer.data(), ambrel::Size_px{qint64(pageWidth), qint64(pageHeight)},
                config);
            benchmark::DoNotOptimize(buffer.data());
        });
}

void onImage(benchmark::State& state, const ambrel::BlackConversion& conversion,
             quenta::BlackConversionPass::OutputConfiguration::Purpose purpose) {
    auto image = sildor::SildorImage::make(std::make_shared<sildor::SildorContext>(),
                                           sildor::SildorImage::Size{pageWidth, pageHeight, 1});
    const auto config = configuration(purpose);
    bench::measure(
        state, double(pageBytes), pageBytes,
        [&] { image->replace(page().data(), std::nullopt, pageWidth); },
        [&] { quenta::BlackConversionPass::apply(conversion, *image, config); });
}

using Purpose = quenta::BlackConversionPass::OutputConfiguration::Purpose;

void BM_ThresholdKernelOnlyInPlace(benchmark::State& s) {
    inPlace(s, thresholdConversion(), Purpose::output);
}
void BM_ThresholdKernelOnlyOnImage(benchmark::State& s) {
    onImage(s, thresholdConversion(), Purpose::output);
}
// Black widened by the widest level after the threshold, in one pass.
void BM_ThresholdWidenBlackKernelOnlyInPlace(benchmark::State& s) {
    inPlace(s, ambrel::BlackConversion::threshold({0.5, 5}), Purpose::output);
}
void BM_HalftoneOutputKernelOnlyInPlace(benchmark::State& s) {
    inPlace(s, halftoneConversion(), Purpose::output);
}
void BM_HalftoneOutputKernelOnlyOnImage(benchmark::State& s) {
    onImage(s, halftoneConversion(), Purpose::output);
}
void BM_HalftonePreviewKernelOnlyInPlace(benchmark::State& s) {
    inPlace(s, halftoneConversion(), Purpose::preview);
}
void BM_HalftonePreviewKernelOnlyOnImage(benchmark::State& s) {
    onImage(s, halftoneConversion(), Purpose::preview);
}

} // namespace

BENCHMARK(BM_ThresholdKernelOnlyInPlace)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ThresholdKernelOnlyOnImage)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ThresholdWidenBlackKernelOnlyInPlace)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_HalftoneOutputKernelOnlyInPlace)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_HalftoneOutputKernelOnlyOnImage)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_HalftonePreviewKernelOnlyInPlace)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_HalftonePreviewKernelOnlyOnImage)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
