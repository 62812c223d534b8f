// A lower layer of the print: packing a full-height picture into dot
// columns (on the compute workers) and handing them to a transport that
// discards them: the cost of the column stream without the wire, against a
// one-core and an all-core copy of the picture's bytes timed in the same run.
#include "CopyReference.h"
#include "DiscardingContext.h"

#include "model/columns/BlackWhiteSendable.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

constexpr int headDotCount = 4992;
constexpr qint64 columns = 5000;

std::vector<std::uint8_t> grayPicture(qint64 width, qint64 height) {
    std::vector<std::uint8_t> pixels(size_t(width * height));
    std::mt19937 random(1);
    for (auto& p : pixels) {
        p = std::uint8_t(random());
    }
    return pixels;
}

void sendColumns(benchmark::State& state, ambrel::BlackWhiteColumnsSendingOptions options) {
    const qint64 height = state.range(0);
    const auto pixels = grayPicture(columns, height);
    bench::measure(
        state, double(columns * std::min<qint64>(height, headDotCount)), pixels.size(), [] {},
        [&] {
            DiscardingContext context;
            ambrel::BlackWhiteSendable::sendGrayColumns(
                pixels.data(), {columns, height}, headDotCount, nullptr, options, 1 << 16, context);
            benchmark::DoNotOptimize(context.bytes);
        });
}

void BM_SendColumns(benchmark::State& state) {
    sendColumns(state, {});
}
void BM_SendColumnsAllReversed(benchmark::State& state) {
    using Option = ambrel::BlackWhiteColumnsSendingOption;
    sendColumns(state, Option::reverseRows | Option::reverseRowBits | Option::reverseColumns);
}

} // namespace

BENCHMARK(BM_SendColumns)
    ->Arg(headDotCount)
    ->Arg(3001)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(BM_SendColumnsAllReversed)
    ->Arg(headDotCount)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_MAIN();
