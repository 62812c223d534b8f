// Packing a full-height picture into dot columns and handing them to a
// transport that discards them: the cost of the column stream without the wire.
#include "model/BlackWhiteSendable.h"
#include "transport/model/DeviceCommunicationContext.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

class DiscardingContext : public fennick::DeviceCommunicationContext {
public:
    qint64 bytes = 0;

protected:
    void performSend(const QByteArray& data) override { bytes += data.size(); }
    QByteArray performRead(std::optional<qint64>) override { return {}; }
};

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
    for (auto _ : state) {
        DiscardingContext context;
        ambrel::BlackWhiteSendable::sendGrayColumns(pixels.data(), {columns, height}, headDotCount,
                                                    nullptr, options, 1 << 16, context);
        benchmark::DoNotOptimize(context.bytes);
    }
    state.SetItemsProcessed(state.iterations() * columns * std::min<qint64>(height, headDotCount));
    state.SetBytesProcessed(state.iterations() * columns * headDotCount / 8);
}

void BM_SendColumns(benchmark::State& state) {
    sendColumns(state, {});
}
void BM_SendColumnsAllReversed(benchmark::State& state) {
    using Option = ambrel::BlackWhiteColumnsSendingOption;
    sendColumns(state, Option::reverseRows | Option::reverseRowBits | Option::reverseColumns);
}

} // namespace

// Items are pixels: at least a gigapixel per second on one core is the aim.
BENCHMARK(BM_SendColumns)->Arg(headDotCount)->Arg(3001)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendColumnsAllReversed)->Arg(headDotCount)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
