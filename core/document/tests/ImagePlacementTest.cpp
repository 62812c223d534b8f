#include "core/document/job/ImagePlacement.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ambrel;
using kestrom::EdgeInsets;
using kestrom::ImagePlacement;

namespace {

// 254 dpi makes 10 px of every millimetre, so the examples stay readable.
const Dpi tenPerMm(254);
const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(ImagePlacement, displayedSizesSwapForQuarterTurns) {
    EXPECT_EQ(ImagePlacement::displayed({400, 300}, ImageRotation::r90), (Size_px{300, 400}));
    EXPECT_EQ(ImagePlacement::displayed({400, 300}, ImageRotation::r270), (Size_px{300, 400}));
    EXPECT_EQ(ImagePlacement::displayed({400, 300}, ImageRotation::r180), (Size_px{400, 300}));
    // A shown 100 x 200 of a turned picture is stored as 200 x 100.
    EXPECT_EQ(ImagePlacement::storedSize_px({10, 20}, ImageRotation::r90, tenPerMm),
              (Size_px{200, 100}));
    EXPECT_EQ(ImagePlacement::displayedSize_mm({300, 400}, tenPerMm), (Size_mm{30, 40}));
    EXPECT_EQ(ImagePlacement::displayedSize_mm({300, 400}, std::nullopt), (Size_mm{0, 0}));
}

TEST(ImagePlacement, storedSizeNeedsAUsableResolutionAndFiniteSides) {
    for (const double raw : {0.0, -300.0, inf, nan}) {
        EXPECT_FALSE(ImagePlacement::storedSize_px({10, 20}, ImageRotation::none, Dpi(raw)));
    }
    EXPECT_FALSE(ImagePlacement::storedSize_px({nan, 20}, ImageRotation::none, tenPerMm));
    EXPECT_FALSE(ImagePlacement::storedSize_px({10, inf}, ImageRotation::none, tenPerMm));
}

TEST(ImagePlacement, areaCoversTheRepeatsAndTheirMargins) {
    const ImagePlacement::Repeats two{2, 1, 10, 99};
    EXPECT_EQ(ImagePlacement::allImageArea({50, 30}, two, std::nullopt, {7, 7}, OffsetBase::center),
              (Rect_mm{{0, 0}, {110, 30}}));
    EXPECT_EQ(ImagePlacement::allImageArea({50, 30}, {}, std::nullopt, {}, OffsetBase::center),
              (Rect_mm{{0, 0}, {50, 30}}));
}

TEST(ImagePlacement, areaIsPlacedByTheAnchor) {
    const Size_mm canvas{200, 100};
    const Size_mm picture{100, 40};
    const Point_mm offset{5, 5};
    struct Case {
        OffsetBase anchor;
        Point_mm origin;
    };
    for (const Case& c : {Case{OffsetBase::topLeft, {5, 5}}, Case{OffsetBase::top, {55, 5}},
                          Case{OffsetBase::topRight, {95, 5}}, Case{OffsetBase::left, {5, 25}},
                          Case{OffsetBase::center, {55, 25}}, Case{OffsetBase::right, {95, 25}},
                          Case{OffsetBase::bottomLeft, {5, 55}}, Case{OffsetBase::bottom, {55, 55}},
                          Case{OffsetBase::bottomRight, {95, 55}}}) {
        EXPECT_EQ(ImagePlacement::allImageArea(picture, {}, canvas, offset, c.anchor).origin,
                  c.origin)
            << c.anchor.rawValue().toStdString();
    }
}

TEST(ImagePlacement, overrunBelowHalfAMillimetreCountsAsNone) {
    const Size_mm canvas{200, 100};
    EXPECT_EQ(ImagePlacement::overflownAmount({{-0.4, 0}, {100, 100}}, canvas), EdgeInsets{});
    const EdgeInsets left = ImagePlacement::overflownAmount({{-0.6, 0}, {100, 100}}, canvas);
    EXPECT_DOUBLE_EQ(left.left, 0.6);
    EXPECT_EQ(ImagePlacement::overflownAmount({{150, -2}, {60, 103}}, canvas),
              (EdgeInsets{2, 0, 1, 10}));
    // Without a canvas every part of the area beyond the origin overruns.
    EXPECT_EQ(ImagePlacement::overflownAmount({{0, 0}, {50, 30}}, std::nullopt),
              (EdgeInsets{0, 0, 30, 50}));
}

TEST(ImagePlacement, typedWidthOrHeightKeepsTheRatio) {
    EXPECT_EQ(ImagePlacement::sizeForDisplayWidth(100, 2.0, tenPerMm, ImageRotation::none),
              (Size_px{1000, 500}));
    // A turned picture shows its stored height as its width.
    EXPECT_EQ(ImagePlacement::sizeForDisplayWidth(100, 2.0, tenPerMm, ImageRotation::r90),
              (Size_px{2000, 1000}));
    // 451.5 rounds away from zero.
    EXPECT_EQ(ImagePlacement::sizeForDisplayHeight(30.1, 1.5, tenPerMm, ImageRotation::none),
              (Size_px{452, 301}));
    EXPECT_EQ(ImagePlacement::sizeForDisplayHeight(30.1, 1.5, tenPerMm, ImageRotation::r270),
              (Size_px{301, 201}));
}

TEST(ImagePlacement, typedSizeWithUnusableRatioResolutionOrLengthChangesNothing) {
    for (const double ratio : {0.0, -1.0, inf, nan}) {
        EXPECT_FALSE(ImagePlacement::sizeForDisplayWidth(100, ratio, tenPerMm, {})) << ratio;
        EXPECT_FALSE(ImagePlacement::sizeForDisplayHeight(100, ratio, tenPerMm, {})) << ratio;
    }
    EXPECT_FALSE(ImagePlacement::sizeForDisplayWidth(100, 2.0, Dpi(0), {}));
    EXPECT_FALSE(ImagePlacement::sizeForDisplayHeight(100, 2.0, Dpi(nan), {}));
    EXPECT_FALSE(ImagePlacement::sizeForDisplayWidth(nan, 2.0, tenPerMm, {}));
    EXPECT_FALSE(ImagePlacement::sizeForDisplayHeight(inf, 2.0, tenPerMm, {}));
    // A ratio so small that the other side is no 64-bit number.
    EXPECT_FALSE(ImagePlacement::sizeForDisplayWidth(100, 1e-300, tenPerMm, {}));
}

TEST(ImagePlacement, fittingKeepsTheRatioAndAFiveMillimetreFloor) {
    EXPECT_EQ(ImagePlacement::fittedDisplaySize({100, 100}, 2.0, {}, std::nullopt),
              (Size_mm{100, 50}));
    EXPECT_EQ(ImagePlacement::fittedDisplaySize({3, 3}, 2.0, {}, std::nullopt), (Size_mm{5, 2.5}));
    // Turned, the shown ratio is the inverse.
    EXPECT_EQ(ImagePlacement::fittedDisplaySize({100, 100}, 2.0, ImageRotation::r90, std::nullopt),
              (Size_mm{50, 100}));
}

TEST(ImagePlacement, fittingSharesTheBoxAmongRepeats) {
    const ImagePlacement::Repeats three{3, 1, 10, 0};
    const auto shared = ImagePlacement::fittedDisplaySize({100, 1000}, 1.0, {}, three);
    ASSERT_TRUE(shared);
    EXPECT_DOUBLE_EQ(shared->width, 80.0 / 3);
    // Margins wider than the box leave 1/3 mm per copy, then the floor holds.
    const ImagePlacement::Repeats wide{3, 1, 60, 0};
    EXPECT_EQ(ImagePlacement::fittedDisplaySize({100, 1000}, 1.0, {}, wide), (Size_mm{5, 5}));
    // A single copy on an axis does not share it.
    EXPECT_EQ(ImagePlacement::fittedDisplaySize({100, 100}, 1.0, {}, ImagePlacement::Repeats{}),
              (Size_mm{100, 100}));
}

TEST(ImagePlacement, fittingWithUnusableRatioOrBoxMakesNothing) {
    for (const double ratio : {0.0, inf, nan}) {
        EXPECT_FALSE(ImagePlacement::fittedDisplaySize({100, 100}, ratio, {}, std::nullopt));
    }
    EXPECT_FALSE(ImagePlacement::fittedDisplaySize({nan, 100}, 1.0, {}, std::nullopt));
    EXPECT_FALSE(ImagePlacement::fittedDisplaySize({100, inf}, 1.0, {}, std::nullopt));
}

} // namespace
