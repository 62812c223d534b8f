#include "imaging/print/RenderedPassSplitter.h"

#include <gtest/gtest.h>

using quenta::RenderedPassSplitter;
using Range = RenderedPassSplitter::Range;

namespace {

// A pass of white gray bytes with black columns.
struct Pass {
    Pass(int width, int height) : image(width, height, QImage::Format_Grayscale8) {
        image.fill(255);
    }
    void ink(int firstColumn, int endColumn, int row = 0) {
        for (int c = firstColumn; c < endColumn; ++c) {
            image.scanLine(row)[c] = 0;
        }
    }
    std::vector<RenderedPassSplitter::RenderedPart>
    split(double minSep, bool joinsAll, bool fromRight = false, double ignoredBottom_mm = 0) const {
        return RenderedPassSplitter::splitRenderedPass(image, image.constBits(), image.width(),
                                                       image.height(), fromRight, minSep, joinsAll,
                                                       false, 10.0, ignoredBottom_mm);
    }
    QImage image;
};

TEST(RenderedPassSplitter, millimetreRangesAndTheirJoining) {
    // 254 dpi: ten pixels a millimetre; bytes per row 100 (no padding).
    Pass pass(100, 4);
    pass.ink(0, 5);
    pass.ink(35, 45);
    EXPECT_EQ(RenderedPassSplitter::blackRanges(pass.image.constBits(), 100, 4, false, 10.0),
              (std::vector<Range>{{0, 1}, {3, 2}}));

    const auto joined = pass.split(3, false);
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].x_mm, 0);
    EXPECT_EQ(joined[0].bitmap.size(), QSize(50, 4));

    const auto separate = pass.split(2, false);
    ASSERT_EQ(separate.size(), 2u);
    EXPECT_EQ(separate[0].bitmap.size(), QSize(10, 4));
    EXPECT_EQ(separate[1].x_mm, 3);
    EXPECT_EQ(separate[1].bitmap, pass.image.copy(30, 0, 20, 4));

    // Joining everything spans first to last black millimetre.
    Pass wide(100, 4);
    wide.ink(2, 3);
    wide.ink(95, 96);
    const auto all = wide.split(0, true);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].bitmap.width(), 100);

    EXPECT_TRUE(Pass(100, 4).split(0, true).empty());
}

TEST(RenderedPassSplitter, fromTheRightEdgesAndIgnoredRows) {
    Pass pass(100, 20);
    pass.ink(95, 100);
    const auto parts = pass.split(0, true, true);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].x_mm, 0);
    EXPECT_EQ(parts[0].bitmap, pass.image.copy(90, 0, 10, 20));

    // A range rounded up beyond the buffer is clipped to it.
    Pass narrow(92, 4);
    narrow.ink(91, 92);
    const auto clipped = narrow.split(0, true);
    ASSERT_EQ(clipped.size(), 1u);
    EXPECT_EQ(clipped[0].x_mm, 9);
    EXPECT_EQ(clipped[0].bitmap.width(), 2);

    // Ink only in the last millimetre of rows does not count.
    Pass bottom(100, 20);
    bottom.ink(40, 50, 15);
    EXPECT_TRUE(bottom.split(0, true, false, 1).empty());
    EXPECT_EQ(bottom.split(0, true, false, 0).size(), 1u);
}

} // namespace
