// A lower layer of the print: what it does between the rendered page and the
// device: an A3 page at
// 600 dpi (7016 dots across the head, 9921 columns: about 70 megapixels of
// gray) converted to black and white and packed into the column stream with
// the stencil print's reversals in one pass, and handed to a transport that
// drops it. "TwoPasses" does the same as two passes, the page converted where
// it lies and then packed, for comparison. "KernelOnly" cases time one step
// alone (the conversion alone is in BlackConversionBenchmark).

#include "CopyReference.h"
#include "DiscardingContext.h"

#include "app/tavrin/TavrinDeviceConnection.h"
#include "imaging/print/BlackConversionPass.h"
#include "imaging/print/BlackConversionRows.h"
#include "model/columns/BlackWhiteColumnPacker.h"
#include "model/columns/BlackWhiteSendable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr qint64 columns = 9921;
constexpr qint64 dots = 7016;
// The smallest head that takes every dot.
constexpr int headDotCount = 7024;
constexpr std::size_t pageBytes = std::size_t(columns * dots);

using Option = ambrel::BlackWhiteColumnsSendingOption;
const ambrel::BlackWhiteColumnsSendingOptions printOptions =
    Option::reverseRows | Option::reverseRowBits | Option::reverseColumns;

// A photograph-like page: smooth gradients with some grain.
const std::vector<std::uint8_t>& grayPage() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> p(pageBytes);
        std::minstd_rand random(42);
        for (qint64 y = 0; y < dots; ++y) {
            for (qint64 x = 0; x < columns; ++x) {
                const int base = int((x * 255) / columns + (y * 64) / dots) % 256;
                p[std::size_t(y * columns + x)] =
                    std::uint8_t(std::clamp(base + int(random() % 17) - 8, 0, 255));
            }
        }
        return p;
    }();
    return pixels;
}

quenta::BlackConversionPass::OutputConfiguration printConfiguration() {
    quenta::BlackConversionPass::OutputConfiguration c;
    c.purpose = quenta::BlackConversionPass::OutputConfiguration::Purpose::output;
    c.dpi = ambrel::Dpi(600);
    quenta::DeviceBlackConversionInfo info;
    info.halftone = quenta::DeviceBlackConversionInfo::HalftoneInfo{1.2};
    c.deviceAdditionalInfo = info;
    c.filterRotationCount = 1;
    return c;
}

// The page buffer the print would render into: large pages, reused.
platform::compute::TextureMemory& pageBuffer() {
    static auto memory = platform::compute::TextureMemory::allocate(
        pageBytes, platform::compute::Device::systemDefault()->threadPool());
    return memory;
}

void restorePage() {
    std::memcpy(pageBuffer().bytes(), grayPage().data(), pageBytes);
}

void sendPage() {
    DiscardingContext context;
    ambrel::BlackWhiteSendable::sendGrayColumns(
        pageBuffer().bytes(), {columns, dots}, headDotCount, nullptr, printOptions,
        lunvik::TavrinDeviceConnection::maxBufferCount, context);
    benchmark::DoNotOptimize(context.bytes);
}

quenta::BlackConversionPass::OutputConfiguration printConfiguration(bool offersExpansion) {
    auto configuration = printConfiguration();
    if (offersExpansion) {
        configuration.deviceAdditionalInfo->threshold =
            quenta::DeviceBlackConversionInfo::ThresholdInfo{true};
    }
    return configuration;
}

void grayPageToColumns(benchmark::State& state, const ambrel::BlackConversion& conversion,
                       bool offersExpansion = false) {
    const auto configuration = printConfiguration(offersExpansion);
    bench::measure(state, double(pageBytes), pageBytes, restorePage, [&] {
        const ambrel::BlackWhiteColumnPacker packer =
            quenta::BlackConversionRows::packer(conversion, pageBuffer().bytes(), {columns, dots},
                                                configuration, headDotCount, printOptions);
        DiscardingContext context;
        ambrel::BlackWhiteSendable::sendPackedColumns(
            packer, nullptr, lunvik::TavrinDeviceConnection::maxBufferCount, context);
        benchmark::DoNotOptimize(context.bytes);
    });
}

void grayPageToColumnsInTwoPasses(benchmark::State& state,
                                  const ambrel::BlackConversion& conversion,
                                  bool offersExpansion = false) {
    const auto configuration = printConfiguration(offersExpansion);
    bench::measure(state, double(pageBytes), pageBytes, restorePage, [&] {
        quenta::BlackConversionPass::apply(conversion, pageBuffer().bytes(), {columns, dots},
                                           configuration);
        sendPage();
    });
}

void BM_GrayPageToColumnsThreshold(benchmark::State& state) {
    grayPageToColumns(state, ambrel::BlackConversion::threshold());
}
void BM_GrayPageToColumnsHalftone(benchmark::State& state) {
    grayPageToColumns(state, ambrel::BlackConversion::halftone());
}
// Black widened by the widest level, on a model that offers it.
void BM_GrayPageToColumnsThresholdWidenBlack(benchmark::State& state) {
    grayPageToColumns(state, ambrel::BlackConversion::threshold({0.5, 5}), true);
}
void BM_GrayPageToColumnsThresholdTwoPasses(benchmark::State& state) {
    grayPageToColumnsInTwoPasses(state, ambrel::BlackConversion::threshold());
}
void BM_GrayPageToColumnsHalftoneTwoPasses(benchmark::State& state) {
    grayPageToColumnsInTwoPasses(state, ambrel::BlackConversion::halftone());
}

// Packing alone, on the compute workers, into memory that is reused.
void BM_PackColumnsKernelOnly(benchmark::State& state) {
    restorePage();
    quenta::BlackConversionPass::apply(ambrel::BlackConversion::threshold(), pageBuffer().bytes(),
                                       {columns, dots}, printConfiguration());
    const ambrel::BlackWhiteColumnPacker packer(pageBuffer().bytes(), {columns, dots}, headDotCount,
                                                printOptions);
    std::vector<std::uint8_t> packed(std::size_t(columns * packer.bytesPerColumn()));
    auto& pool = platform::compute::Device::systemDefault()->threadPool();
    bench::measure(
        state, double(pageBytes), pageBytes, [] {},
        [&] {
            packer.packAllOutputColumns(packed.data(), &pool);
            benchmark::DoNotOptimize(packed.data());
        });
}

// The send alone: packing and the transport's pieces, the page converted.
void BM_SendColumnsOfConvertedPage(benchmark::State& state) {
    restorePage();
    quenta::BlackConversionPass::apply(ambrel::BlackConversion::threshold(), pageBuffer().bytes(),
                                       {columns, dots}, printConfiguration());
    bench::measure(
        state, double(pageBytes), pageBytes, [] {}, sendPage);
}

} // namespace

BENCHMARK(BM_GrayPageToColumnsThreshold)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_GrayPageToColumnsHalftone)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_GrayPageToColumnsThresholdWidenBlack)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_GrayPageToColumnsThresholdTwoPasses)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_GrayPageToColumnsHalftoneTwoPasses)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SendColumnsOfConvertedPage)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_PackColumnsKernelOnly)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
