#include "imaging/gpu/SildorImage.h"
#include "imaging/gpu/SildorImageBuiltinFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

using namespace sildor;
using F = SildorImageBuiltinFilter;
using Size = SildorImage::Size;

namespace {

// Independent statement of the storing rule, as a user of the kernels reads it.
int stored(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    return int(std::round(std::clamp(v, 0.0, 1.0) * 255.0));
}

double f32(double v) {
    return double(float(v));
}

std::vector<std::uint8_t> everyByte() {
    std::vector<std::uint8_t> v(256);
    for (int i = 0; i < 256; ++i) {
        v[i] = std::uint8_t(i);
    }
    return v;
}

std::vector<std::uint8_t> run(const std::vector<std::uint8_t>& pixels, std::size_t w, std::size_t h,
                              const std::vector<const SildorImageFilter*>& chain) {
    auto image = SildorImage::make(std::make_shared<SildorContext>(), Size{w, h, 1});
    EXPECT_TRUE(image->replace(pixels.data(), std::nullopt, w));
    image->apply(chain);
    std::vector<std::uint8_t> out(w * h);
    image->getBytes(out.data(), w);
    return out;
}

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinite = std::numeric_limits<double>::infinity();

} // namespace

TEST(SildorKernelArithmetic, PointKernelsFollowTheirFormulaForEveryByte) {
    struct Row {
        const char* what;
        F filter;
        std::function<double(double)> formula;
    };
    const auto level = [](double b, double w) {
        return [b = f32(b), w = f32(w)](double s) {
            return w <= b ? (s > b ? 1.0 : 0.0) : (s - b) / (w - b);
        };
    };
    const auto gamma = [](double g) {
        return [g = f32(g)](double s) { return std::isfinite(g) && g > 0 ? std::pow(s, g) : s; };
    };
    const auto threshold = [](double t) {
        return [t = f32(t)](double s) { return s > t ? 1.0 : 0.0; };
    };
    const Row rows[] = {
        {"level 0.4 0.6", F::level(0.4, 0.6), level(0.4, 0.6)},
        {"level 0 1", F::level(0, 1), level(0, 1)},
        {"level 0.1 0.9", F::level(0.1, 0.9), level(0.1, 0.9)},
        {"level reversed", F::level(0.6, 0.4), level(0.6, 0.4)},
        {"level flat", F::level(0.5, 0.5), level(0.5, 0.5)},
        {"gamma 1.6", F::gamma(1.6), gamma(1.6)},
        {"gamma 0.4", F::gamma(0.4), gamma(0.4)},
        {"gamma 0", F::gamma(0), gamma(0)},
        {"gamma -1", F::gamma(-1), gamma(-1)},
        {"gamma NaN", F::gamma(notANumber), gamma(notANumber)},
        {"gamma inf", F::gamma(infinite), gamma(infinite)},
        {"threshold 0.5", F::threshold(0.5), threshold(0.5)},
        {"threshold 0", F::threshold(0), threshold(0)},
        {"threshold 1", F::threshold(1), threshold(1)},
        {"threshold 0.3", F::threshold(0.3), threshold(0.3)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto out = run(everyByte(), 16, 16, {&row.filter});
        for (int b = 0; b < 256; ++b) {
            ASSERT_EQ(out[b], stored(row.formula(b / 255.0))) << "byte " << b;
        }
    }
}

TEST(SildorKernelArithmetic, ThresholdAtHalfSplitsBetween127And128) {
    const auto t = F::threshold(0.5);
    const auto out = run({126, 127, 128, 129}, 4, 1, {&t});
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0, 255, 255}));
}

TEST(SildorKernelArithmetic, FusedStepsRoundAfterEveryStep) {
    // Run as one pass, yet each step's result is a stored byte before the next.
    const auto level = F::level(0.1, 0.9);
    const auto gamma = F::gamma(0.7);
    const auto userGamma = F::gamma(1.3);
    const auto out = run(everyByte(), 16, 16, {&level, &gamma, &userGamma});
    for (int b = 0; b < 256; ++b) {
        const double s = b / 255.0;
        const int l = stored((s - f32(0.1)) / (f32(0.9) - f32(0.1)));
        const int g = stored(std::pow(l / 255.0, f32(0.7)));
        const int u = stored(std::pow(g / 255.0, f32(1.3)));
        ASSERT_EQ(out[b], u) << "byte " << b;
    }
}

TEST(SildorKernelArithmetic, LargePicturesGiveTheSameAnswerInEveryBand) {
    const std::size_t w = 3001, h = 1999;
    std::vector<std::uint8_t> pixels(w * h);
    std::mt19937 random(7);
    for (auto& p : pixels) {
        p = std::uint8_t(random());
    }
    const auto level = F::level(0.2, 0.8);
    const auto t = F::threshold(0.5);
    const auto out = run(pixels, w, h, {&level, &t});
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const int l = stored((pixels[i] / 255.0 - f32(0.2)) / (f32(0.8) - f32(0.2)));
        ASSERT_EQ(out[i], l / 255.0 > 0.5 ? 255 : 0) << i;
    }
}

TEST(SildorKernelArithmetic, QuarterTurnsMovePixelsClockwise) {
    // 1 2 3
    // 4 5 6
    const std::vector<std::uint8_t> picture{1, 2, 3, 4, 5, 6};
    struct Row {
        qint64 turns;
        Size size;
        std::vector<std::uint8_t> expected;
    };
    const Row rows[] = {
        {0, {3, 2, 1}, {1, 2, 3, 4, 5, 6}},  {1, {2, 3, 1}, {4, 1, 5, 2, 6, 3}},
        {2, {3, 2, 1}, {6, 5, 4, 3, 2, 1}},  {3, {2, 3, 1}, {3, 6, 2, 5, 1, 4}},
        {-1, {2, 3, 1}, {3, 6, 2, 5, 1, 4}}, {5, {2, 3, 1}, {4, 1, 5, 2, 6, 3}},
        {-4, {3, 2, 1}, {1, 2, 3, 4, 5, 6}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.turns);
        auto image = SildorImage::make(std::make_shared<SildorContext>(), Size{3, 2, 1});
        image->replace(picture.data(), std::nullopt, 3);
        image->apply(F::rotate90(row.turns), row.size);
        std::vector<std::uint8_t> out(6);
        image->getBytes(out.data(), row.size.width);
        EXPECT_EQ(out, row.expected);
    }

    // Four single turns of a large square come back to the start.
    const std::size_t n = 700;
    std::vector<std::uint8_t> square(n * n);
    for (std::size_t i = 0; i < square.size(); ++i) {
        square[i] = std::uint8_t(i * 13 + i / n);
    }
    const auto turn = F::rotate90(1);
    const auto once = run(square, n, n, {&turn});
    EXPECT_EQ(once[0 * n + (n - 1)], square[0]); // top-left goes to top-right
    EXPECT_EQ(run(square, n, n, {&turn, &turn, &turn, &turn}), square);
}

TEST(SildorKernelArithmetic, BlurCopiesForNoRadiusAndKeepsFlatFieldsFlat) {
    std::vector<std::uint8_t> pixels(40 * 30);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = std::uint8_t(i * 37);
    }
    for (double r : {0.0, -2.0, notANumber}) {
        const auto x = F::gaussianBlur(F::Axis::x, r);
        const auto y = F::gaussianBlur(F::Axis::y, r);
        EXPECT_EQ(run(pixels, 40, 30, {&x, &y}), pixels) << r;
    }
    const std::vector<std::uint8_t> flat(40 * 30, 77);
    for (double r : {0.3, 2.0, 25.0, 1e9}) {
        const auto x = F::gaussianBlur(F::Axis::x, r);
        const auto y = F::gaussianBlur(F::Axis::y, r);
        EXPECT_EQ(run(flat, 40, 30, {&x, &y}), flat) << r;
    }
}

TEST(SildorKernelArithmetic, BlurIsAGaussianWithClampedEdges) {
    const double sigma = 1.5;
    // A row with a bright pixel at the left edge and one in the middle.
    std::vector<std::uint8_t> row(21, 0);
    row[0] = 255;
    row[10] = 255;
    const auto x = F::gaussianBlur(F::Axis::x, sigma);
    const auto out = run(row, 21, 1, {&x});
    const auto weight = [&](int d) { return std::exp(-d * d / (2 * sigma * sigma)); };
    double total = 0;
    for (int d = -5; d <= 5; ++d) {
        total += weight(d);
    }
    for (int i = 0; i < 21; ++i) {
        double v = 0;
        for (int d = -5; d <= 5; ++d) {
            const int at = std::clamp(i + d, 0, 20);
            v += weight(d) / total * row[at] / 255.0;
        }
        EXPECT_NEAR(out[i], stored(v), 1) << i;
    }
    // The edge pixel reads itself beyond the edge, so it stays brighter than
    // the middle one.
    EXPECT_GT(out[0], out[10]);
    EXPECT_EQ(out[9], out[11]);

    // Along y the same picture standing up gives the same column.
    const auto y = F::gaussianBlur(F::Axis::y, sigma);
    EXPECT_EQ(run(row, 1, 21, {&y}), out);
}
