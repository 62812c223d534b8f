#include "platform/graphics/AreaAverageLines.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

using platform::AreaAverageLines;
using platform::AreaAverageTaps;

namespace {

// Runs `make` with the wide vectors and with the plain loops.
template <typename Make> auto bothWays(Make make) {
    const auto restore = qScopeGuard([] { AreaAverageLines::allowWideVectors(true); });
    AreaAverageLines::allowWideVectors(true);
    auto wide = make();
    AreaAverageLines::allowWideVectors(false);
    auto plain = make();
    return std::pair{wide, plain};
}

// Source bytes that are mostly white, where rounding meets the clamp at 255,
// with dark grain between.
std::vector<uchar> sourceBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uchar> bytes(count);
    for (auto& b : bytes) {
        b = random() % 3 == 0 ? uchar(random()) : uchar(250 + random() % 6);
    }
    return bytes;
}

} // namespace

TEST(AreaAverageLines, wideSumsDownAreThePlainOnes) {
    for (const int width : {1, 5, 15, 16, 17, 31, 33, 100, 4000}) {
        for (int taps = 1; taps <= 6; ++taps) {
            const qsizetype stride = width + 3;
            const auto bytes = sourceBytes(std::size_t(stride * taps), unsigned(width * 7 + taps));
            std::vector<float> weights(static_cast<size_t>(taps));
            float total = 0;
            for (int t = 0; t < taps; ++t) {
                total += weights[size_t(t)] = 0.1f + 0.37f * float(t % 3);
            }
            for (auto& w : weights) {
                w /= total;
            }
            const auto [wide, plain] = bothWays([&] {
                std::vector<float> sums(size_t(width), -1.0f);
                AreaAverageLines::sumDown(bytes.data(), stride, weights.data(), taps, width,
                                          sums.data());
                return sums;
            });
            ASSERT_EQ(wide, plain) << width << " wide, " << taps << " taps";
        }
    }
}

// Lines scaled up, scaled down a little (the windows fit two loads), and a
// lot (they are gathered), in parts the page edges cut and pieces that end
// inside a block of pixels.
TEST(AreaAverageLines, wideScalingAcrossIsThePlainOne) {
    const int sources[] = {1, 2, 3, 17, 100, 257, 4000};
    const double ratios[] = {0.3, 0.5, 0.8, 0.9999, 1.21, 1.5, 1.9, 2.5, 3.7, 7.3};
    for (const int source : sources) {
        std::mt19937 random{unsigned(source)};
        // Padding no pixel may read: one that did would come out wrong.
        std::vector<float> line(size_t(source + AreaAverageLines::linePadding),
                                std::numeric_limits<float>::quiet_NaN());
        const auto bytes = sourceBytes(size_t(source), unsigned(source));
        for (int k = 0; k < source; ++k) {
            // Sums as the down pass makes them: within a little of a byte.
            line[size_t(k)] = float(bytes[size_t(k)]) - float(random() % 1000) / 2000.0f;
        }
        for (const double ratio : ratios) {
            const qint64 destination = std::max<qint64>(1, qint64(source / ratio));
            const qint64 first = destination / 7;
            const qint64 end = destination - destination / 5;
            if (end <= first) {
                continue;
            }
            const AreaAverageTaps taps(source, destination, first, end);
            const int part = int(end - first);
            for (const auto& piece :
                 {std::pair{0, part}, std::pair{part / 3, part - part / 3 - part / 4},
                  std::pair{part - 1, 1}}) {
                const int skip = piece.first;
                const int count = piece.second;
                if (count < 1) {
                    continue;
                }
                const auto [wide, plain] = bothWays([&] {
                    std::vector<uchar> out(size_t(count) + 1, 7);
                    AreaAverageLines::scaleAcross(line.data(), taps, skip, count, out.data());
                    return out;
                });
                ASSERT_EQ(wide, plain)
                    << source << " to " << destination << ", pixels " << skip << " + " << count;
                EXPECT_EQ(wide.back(), 7) << "wrote past the part";
            }
        }
    }
}
