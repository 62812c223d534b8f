#include "imaging/print/BlackConversionPass.h"
#include "imaging/print/HalftoneKernel.h"
#include "imaging/print/MyFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace quenta;
using Size = sildor::SildorImage::Size;

namespace {

std::vector<std::uint8_t> screened(const std::vector<std::uint8_t>& pixels, std::size_t w,
                                   std::size_t h, const MyFilter& filter) {
    auto image =
        sildor::SildorImage::make(std::make_shared<sildor::SildorContext>(), Size{w, h, 1});
    image->replace(pixels.data(), std::nullopt, w);
    image->apply({&filter});
    std::vector<std::uint8_t> out(w * h);
    image->getBytes(out.data(), w);
    return out;
}

std::vector<std::uint8_t> screenedInPlace(std::vector<std::uint8_t> pixels, std::size_t w,
                                          std::size_t h, const MyFilter& filter) {
    auto image = sildor::SildorImage::makeOver(std::make_shared<sildor::SildorContext>(),
                                               pixels.data(), Size{w, h, 1});
    image->applyInPlace({&filter});
    return pixels;
}

double blackShare(const std::vector<std::uint8_t>& pixels) {
    std::size_t black = 0;
    for (std::uint8_t p : pixels) {
        EXPECT_TRUE(p == 0 || p == 255);
        black += p == 0;
    }
    return double(black) / double(pixels.size());
}

// 600 dpi, 20 lines per inch, 30 degrees plus one quarter turn: the print's screen.
const MyFilter printScreen = MyFilter::halftone((30.0 + 90.0) * M_PI / 180.0, {}, QSizeF(15, 15));

} // namespace

TEST(HalftoneScreen, CoverageRisesWithDarknessOnFlatFields) {
    const std::size_t w = 300, h = 300;
    EXPECT_EQ(blackShare(screened(std::vector<std::uint8_t>(w * h, 0), w, h, printScreen)), 1.0);
    EXPECT_EQ(blackShare(screened(std::vector<std::uint8_t>(w * h, 255), w, h, printScreen)), 0.0);
    const double middle =
        blackShare(screened(std::vector<std::uint8_t>(w * h, 128), w, h, printScreen));
    EXPECT_GT(middle, 0.45);
    EXPECT_LT(middle, 0.55);

    // With a cell of 1.5 the spot falls to exactly 0 at some pixel centres;
    // pure black still prints there.
    const auto corners = MyFilter::halftone(0, {}, QSizeF(1.5, 1.5));
    EXPECT_EQ(blackShare(screened(std::vector<std::uint8_t>(w * h, 0), w, h, corners)), 1.0);

    double previous = 1.0;
    for (int gray = 0; gray <= 255; gray += 5) {
        const double share = blackShare(
            screened(std::vector<std::uint8_t>(w * h, std::uint8_t(gray)), w, h, printScreen));
        EXPECT_LE(share, previous) << gray;
        previous = share;
    }
}

TEST(HalftoneScreen, FollowsTheSpotFormulaPixelByPixel) {
    const std::size_t w = 257, h = 131;
    std::vector<std::uint8_t> pixels(w * h);
    std::mt19937 random(5);
    for (auto& p : pixels) {
        p = std::uint8_t(random());
    }
    const QPointF offset(3.25, -7.5);
    const double angle = 0.5235987755982988;
    const auto out = screened(pixels, w, h, MyFilter::halftone(angle, offset, QSizeF(15, 10)));
    // The kernel receives 32-bit floats.
    const double a = float(angle), ox = float(offset.x()), oy = float(offset.y());
    std::size_t differences = 0;
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            const double px = x + 0.5 - ox, py = y + 0.5 - oy;
            const double qx = std::cos(a) * px - std::sin(a) * py;
            const double qy = std::sin(a) * px + std::cos(a) * py;
            const double spot = 0.5 + 0.25 * (std::cos(M_PI * qx / 15) + std::cos(M_PI * qy / 10));
            const std::uint8_t b = pixels[y * w + x];
            const int expected = (b == 0 || b / 255.0 < spot) ? 0 : 255;
            differences += out[y * w + x] != expected;
        }
    }
    EXPECT_EQ(differences, 0u);
}

TEST(HalftoneScreen, RepeatsWithItsCellAndMovesWithItsOffset) {
    const std::size_t w = 120, h = 90;
    const std::vector<std::uint8_t> gray(w * h, 100);
    // Unturned, a cell of 15 repeats every 30 pixels along both axes.
    const auto plain = screened(gray, w, h, MyFilter::halftone(0, {}, QSizeF(15, 15)));
    for (std::size_t y = 0; y + 30 < h; ++y) {
        for (std::size_t x = 0; x + 30 < w; ++x) {
            ASSERT_EQ(plain[y * w + x], plain[y * w + x + 30]);
            ASSERT_EQ(plain[y * w + x], plain[(y + 30) * w + x]);
        }
    }
    // An offset of (4, 0) moves the pattern four pixels to the right.
    const auto moved = screened(gray, w, h, MyFilter::halftone(0, QPointF(4, 0), QSizeF(15, 15)));
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 4; x < w; ++x) {
            ASSERT_EQ(moved[y * w + x], plain[y * w + x - 4]);
        }
    }
}

TEST(HalftoneScreen, AScreenThatCannotBeFormedIsAThresholdAtHalf) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::uint8_t> pixels{0, 100, 127, 128, 200, 255};
    const std::vector<std::uint8_t> threshold{0, 0, 0, 255, 255, 255};
    for (const MyFilter& f :
         {MyFilter::halftone(0, {}, QSizeF(0, 15)), MyFilter::halftone(0, {}, QSizeF(15, -1)),
          MyFilter::halftone(0, {}, QSizeF(inf, 15)), MyFilter::halftone(0, {}, QSizeF(15, nan)),
          MyFilter::halftone(nan, {}, QSizeF(15, 15)),
          MyFilter::halftone(0, QPointF(inf, 0), QSizeF(15, 15))}) {
        EXPECT_EQ(screened(pixels, 6, 1, f), threshold);
    }
}

namespace {

// Every pixel's gray the byte nearest to its spot.
std::vector<std::uint8_t> grayNearTheSpot(std::size_t w, std::size_t h, double angle,
                                          QPointF offset, QSizeF cell) {
    std::vector<std::uint8_t> near(w * h);
    // The kernel receives 32-bit floats.
    const double a = float(angle), ox = float(offset.x()), oy = float(offset.y());
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            const double px = x + 0.5 - ox, py = y + 0.5 - oy;
            const double qx = std::cos(a) * px - std::sin(a) * py;
            const double qy = std::sin(a) * px + std::cos(a) * py;
            const double spot = 0.5 + 0.25 * (std::cos(M_PI * qx / cell.width()) +
                                              std::cos(M_PI * qy / cell.height()));
            near[y * w + x] = std::uint8_t(std::clamp(std::lround(spot * 255), 0L, 255L));
        }
    }
    return near;
}

} // namespace

// The float comparison with its double fallback against the double one alone:
// random pages, pages whose every gray lies next to its spot (a large one has
// pixels where the floats alone would decide wrongly), and a white page on a
// screen whose spot is 1 at every pixel centre; widths that leave tails of
// every length, in place and not.
TEST(HalftoneScreen, TheWideComparisonGivesTheSamePixelsAsTheDoubleOne) {
    struct Case {
        double angle;
        QPointF offset;
        QSizeF cell;
    };
    const std::vector<Case> cases{{(30.0 + 90.0) * M_PI / 180.0, {}, QSizeF(15, 15)},
                                  {0.5235987755982988, QPointF(3.25, -7.5), QSizeF(15, 10)},
                                  {-2.0, QPointF(0.5, 1e6), QSizeF(2.5, 40)},
                                  {0, {}, QSizeF(0.25, 0.25)},
                                  {M_PI / 4, {}, QSizeF(1.5, 1.5)}};
    const auto expectSame = [](const std::vector<std::uint8_t>& page, std::size_t w, std::size_t h,
                               const MyFilter& filter) {
        HalftoneKernel::allowWideScreen(false);
        const auto expected = screened(page, w, h, filter);
        HalftoneKernel::allowWideScreen(true);
        EXPECT_EQ(screened(page, w, h, filter), expected) << w;
        EXPECT_EQ(screenedInPlace(page, w, h, filter), expected) << w;
    };
    std::mt19937 random(11);
    for (const std::size_t w :
         {std::size_t(1), std::size_t(7), std::size_t(13), std::size_t(260), std::size_t(1031)}) {
        const std::size_t h = 37;
        for (const Case& c : cases) {
            const MyFilter filter = MyFilter::halftone(c.angle, c.offset, c.cell);
            std::vector<std::uint8_t> noise(w * h);
            for (auto& p : noise) {
                p = std::uint8_t(random());
            }
            expectSame(noise, w, h, filter);
            expectSame(grayNearTheSpot(w, h, c.angle, c.offset, c.cell), w, h, filter);
            expectSame(std::vector<std::uint8_t>(w * h, 255), w, h, filter);
        }
    }
    const Case& print = cases.front();
    expectSame(grayNearTheSpot(2000, 600, print.angle, print.offset, print.cell), 2000, 600,
               MyFilter::halftone(print.angle, print.offset, print.cell));
}
