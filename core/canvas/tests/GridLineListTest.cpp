#include "core/canvas/GridLineList.h"
#include "core/canvas/GridViewTransform.h"

#include <gtest/gtest.h>

using namespace kestrom;
using ambrel::OffsetBase;

namespace {

QList<int> indices(const QList<GridLineList::Line>& lines, bool vertical, double gray) {
    QList<int> result;
    for (const auto& line : lines) {
        if (line.vertical == vertical && line.gray == gray) {
            result.append(line.index);
        }
    }
    return result;
}

} // namespace

TEST(GridLineList, indexRangesFollowTheAnchor) {
    using R = GridLineList::IndexRange;
    EXPECT_EQ(GridLineList::indexRange(false, 300), (R{0, 300}));
    EXPECT_EQ(GridLineList::indexRange(false, 297.9), (R{0, 297}));
    EXPECT_EQ(GridLineList::indexRange(true, 301), (R{-150, 150}));
    EXPECT_EQ(GridLineList::indexRange(true, 296), (R{-145, 151}));
    EXPECT_EQ(GridLineList::indexRange(false, 0), (R{0, 0}));
    EXPECT_EQ(GridLineList::indexRange(false, -4), (R{0, 0}));
}

TEST(GridLineList, leftAnchorLinesAndTheirGraysAtScaleOne) {
    const auto lines = GridLineList::lines({300, 200}, {300, 200}, OffsetBase::topLeft, 1);
    const QList<int> major = indices(lines, true, GridLineList::majorGray);
    EXPECT_EQ(major, (QList<int>{50, 100, 150, 200, 250})); // 0 touches the left strip
    const QList<int> minor = indices(lines, true, GridLineList::minorGray);
    EXPECT_EQ(minor.first(), 5);
    EXPECT_EQ(minor.last(), 295);
    EXPECT_EQ(minor.size(), 60 - 6);
    // Minor lines come first, vertical before horizontal in each pass.
    EXPECT_EQ(lines.first().gray, GridLineList::minorGray);
    EXPECT_TRUE(lines.first().vertical);
    EXPECT_EQ(lines.last().gray, GridLineList::majorGray);
    EXPECT_FALSE(lines.last().vertical);
    // A 1-point line centred on x = 5: from 4.5, on a pixel edge.
    const QRectF five = lines.first().rect;
    EXPECT_EQ(five.width(), 1.0);
    EXPECT_EQ(five.left(), 5.0); // 4.5 moves to the pixel edge at 5
}

TEST(GridLineList, middleAnchorCountsFromTheCentre) {
    const auto lines = GridLineList::lines({301, 200}, {301, 200}, OffsetBase::center, 1);
    QList<int> vertical = indices(lines, true, GridLineList::minorGray);
    vertical += indices(lines, true, GridLineList::majorGray);
    std::sort(vertical.begin(), vertical.end());
    EXPECT_EQ(vertical.first(), -145); // -150 lies on the left edge
    EXPECT_EQ(vertical.last(), 145);
    EXPECT_TRUE(indices(lines, true, GridLineList::majorGray).contains(0));
}

TEST(GridLineList, noLinesWithoutAUsableSize) {
    EXPECT_TRUE(GridLineList::lines({300, 200}, {0, 200}, OffsetBase::topLeft, 1).isEmpty());
    EXPECT_TRUE(GridLineList::lines({300, 200}, {300, std::numeric_limits<double>::quiet_NaN()},
                                    OffsetBase::topLeft, 1)
                    .isEmpty());
}

TEST(GridLineList, widthsAreOneDevicePixelOnFineScreens) {
    EXPECT_EQ(GridLineList::lineWidth(0, 2), 1.5);
    EXPECT_EQ(GridLineList::lineWidth(10, 2), 1.0);
    EXPECT_EQ(GridLineList::lineWidth(5, 2), 0.5);
    EXPECT_EQ(GridLineList::lineWidth(-15, 2), 0.5);
    EXPECT_EQ(GridLineList::lineWidth(0, 1), 2.0);
    EXPECT_EQ(GridLineList::lineWidth(5, 1), 1.0);
    EXPECT_EQ(GridLineList::lineWidth(50, 1), 1.0);

    // At scale 2 every line rect lies on half points.
    const auto lines = GridLineList::lines({301, 200.5}, {150.5, 100}, OffsetBase::center, 2);
    ASSERT_FALSE(lines.isEmpty());
    for (const auto& line : lines) {
        EXPECT_EQ(line.rect.left() * 2, std::round(line.rect.left() * 2));
        EXPECT_EQ(line.rect.right() * 2, std::round(line.rect.right() * 2));
        EXPECT_EQ(line.rect.top() * 2, std::round(line.rect.top() * 2));
    }
}

TEST(GridLineList, wideLinesAtTheEdgesStayInside) {
    const QSizeF bounds(300, 200);
    const auto left = GridViewTransform::makeMmToPt(bounds, {300, 200}, OffsetBase::topLeft, true);
    const auto right =
        GridViewTransform::makeMmToPt(bounds, {300, 200}, OffsetBase::topRight, true);
    EXPECT_EQ(GridLineList::verticalLineRect(0, 2, bounds, *left, 1).left(), 0);
    EXPECT_EQ(GridLineList::verticalLineRect(0, 2, bounds, *right, 1).right(), 300);
    EXPECT_EQ(GridLineList::verticalLineRect(0, 1, bounds, *left, 1), QRectF(0, -1200, 1, 2600));
}
