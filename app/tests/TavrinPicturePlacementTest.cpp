#include "app/tavrin/TavrinPicturePlacement.h"
#include "model/errors/ConnectionError.h"

#include <gtest/gtest.h>

#include <limits>

using ambrel::ImageRotation;
using ambrel::OffsetBase;
using lunvik::TavrinPicturePlacement;

namespace {

TavrinPicturePlacement::Input baseInput(OffsetBase anchor) {
    TavrinPicturePlacement::Input in;
    in.canvas = {200, 100};
    in.imageSize = {50, 20};
    in.offsetBase = anchor;
    in.repeatXCount = 2;
    in.marginX = 10;
    in.offsetX = 5;
    in.offsetY = 3;
    return in;
}

TEST(TavrinPicturePlacement, anchorsPlaceTheRepeatedBlock) {
    // Canvas 200 x 100, two copies of 50 x 20 with a gap of 10: 110 x 20.
    struct Row {
        OffsetBase anchor;
        qint64 x;
        qint64 y;
    };
    const Row rows[] = {
        {OffsetBase::topLeft, 5, 3},       {OffsetBase::top, 45 + 5, 3},
        {OffsetBase::topRight, 90 - 5, 3}, {OffsetBase::left, 5, 40 - 3},
        {OffsetBase::center, 50, 37},      {OffsetBase::right, 85, 37},
        {OffsetBase::bottomLeft, 5, 77},   {OffsetBase::bottom, 50, 100 - 20 - 3},
        {OffsetBase::bottomRight, 85, 77},
    };
    for (const Row& row : rows) {
        const auto p = TavrinPicturePlacement::compute(baseInput(row.anchor));
        EXPECT_EQ(p.x, row.x) << row.anchor.rawValue().toStdString();
        EXPECT_EQ(p.y, row.y) << row.anchor.rawValue().toStdString();
    }
    const auto p = TavrinPicturePlacement::compute(baseInput(OffsetBase::bottom));
    EXPECT_EQ(p.totalWidth(), 110);
    EXPECT_EQ(p.copyRect(1, 0), QRect(110, 77, 50, 20));
}

TEST(TavrinPicturePlacement, oddRemaindersTruncateTowardZero) {
    auto in = baseInput(OffsetBase::center);
    in.repeatXCount = 1;
    in.offsetX = 0;
    in.offsetY = 0;
    in.canvas = {57, 27}; // free space 7 across and down
    auto p = TavrinPicturePlacement::compute(in);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 3);
    in.canvas = {43, 13}; // free space -7
    p = TavrinPicturePlacement::compute(in);
    EXPECT_EQ(p.x, -3);
    EXPECT_EQ(p.y, -3);
}

TEST(TavrinPicturePlacement, oneRepeatIgnoresMargins) {
    auto in = baseInput(OffsetBase::bottomRight);
    in.repeatXCount = 1;
    in.marginX = 999;
    in.marginY = 999;
    const auto p = TavrinPicturePlacement::compute(in);
    EXPECT_EQ(p.totalWidth(), 50);
    EXPECT_EQ(p.totalHeight(), 20);
    EXPECT_EQ(p.x, 200 - 50 - 5);
}

TEST(TavrinPicturePlacement, quarterTurnsSwapTheSides) {
    auto in = baseInput(OffsetBase::topLeft);
    in.imageSize = {100, 40};
    in.repeatXCount = 1;
    for (const ImageRotation r : {ImageRotation::r90, ImageRotation::r270}) {
        in.orientation = r;
        const auto p = TavrinPicturePlacement::compute(in);
        EXPECT_EQ(p.width, 40);
        EXPECT_EQ(p.height, 100);
    }
    in.orientation = ImageRotation::r180;
    EXPECT_EQ(TavrinPicturePlacement::compute(in).width, 100);
}

TEST(TavrinPicturePlacement, tooSmallOnlyWhenBothSidesAreBelowTen) {
    auto in = baseInput(OffsetBase::center);
    in.imageSize = {9, 9};
    try {
        TavrinPicturePlacement::compute(in);
        FAIL() << "9 x 9 accepted";
    } catch (const ambrel::ConnectionError& e) {
        EXPECT_EQ(e.errorCase(), ambrel::ConnectionError::Case::documentImageIsTooSmall);
    }
    in.imageSize = {9, 10};
    EXPECT_NO_THROW(TavrinPicturePlacement::compute(in));
}

TEST(TavrinPicturePlacement, onlyCopiesTouchingTheCanvasAreListed) {
    // Canvas 200 x 100, copies of 50 x 20.
    struct Row {
        const char* name;
        OffsetBase anchor;
        qint64 offsetX;
        qint64 marginX;
        qint64 repeatXCount;
        qint64 first;
        qint64 end;
    };
    constexpr qint64 huge = std::numeric_limits<qint64>::max();
    const Row rows[] = {
        {"two copies", OffsetBase::topLeft, 5, 10, 2, 0, 2},
        {"one past each edge", OffsetBase::topLeft, -60, 10, 6, 1, 5},
        {"far more copies than fit", OffsetBase::topLeft, 5, 10, 1'000'000'000'000, 0, 4},
        {"overlapping leftward", OffsetBase::topLeft, 100, -70, 10, 0, 8},
        {"all in one place, drawn once", OffsetBase::topLeft, 0, -50, 1'000'000'000'000, 0, 1},
        {"beyond what an int holds", OffsetBase::topLeft, (qint64(1) << 32) + 50, 0, 1, 0, 0},
        {"at the end of qint64", OffsetBase::center, huge, huge, 3, 0, 0},
        {"before the start of qint64", OffsetBase::right, -huge - 1, 0, 1, 0, 0},
    };
    for (const Row& row : rows) {
        auto in = baseInput(row.anchor);
        in.offsetX = row.offsetX;
        in.marginX = row.marginX;
        in.repeatXCount = row.repeatXCount;
        const auto p = TavrinPicturePlacement::compute(in);
        const auto across = p.copiesAcrossWithin(in.canvas.width);
        EXPECT_EQ(across.first, row.first) << row.name;
        EXPECT_EQ(across.end, row.end) << row.name;
        for (qint64 i = across.first; i < std::min(across.end, across.first + 10); ++i) {
            EXPECT_TRUE(p.copyRect(i, 0).intersects(QRect(0, 0, 200, 100))) << row.name << i;
        }
    }
}

TEST(TavrinPicturePlacement, endlessRepeatsCentreWithoutWrapping) {
    auto in = baseInput(OffsetBase::center);
    in.offsetX = 0;
    in.repeatXCount = std::numeric_limits<qint64>::max();
    const auto p = TavrinPicturePlacement::compute(in);
    EXPECT_EQ(p.totalWidth(), std::numeric_limits<qint64>::max());
    EXPECT_LT(p.x, 0);
    const auto across = p.copiesAcrossWithin(in.canvas.width);
    EXPECT_GE(across.end - across.first, 3);
    EXPECT_LE(across.end - across.first, 4);
}

TEST(TavrinPicturePlacement, aPictureAsLargeAsAnIntHoldsKeepsItsRectangle) {
    // Each side 2^31 - 1, anchored at every corner and the centre: the
    // copies that touch the canvas keep their exact corners and sides.
    constexpr qint64 side = std::numeric_limits<qint32>::max();
    for (const OffsetBase anchor :
         {OffsetBase::topLeft, OffsetBase::center, OffsetBase::bottomRight}) {
        auto in = baseInput(anchor);
        in.imageSize = {side, side};
        in.repeatXCount = 3;
        in.repeatYCount = 2;
        const auto p = TavrinPicturePlacement::compute(in);
        const auto across = p.copiesAcrossWithin(in.canvas.width);
        const auto down = p.copiesDownWithin(in.canvas.height);
        ASSERT_GE(across.end - across.first, 1) << anchor.rawValue().toStdString();
        ASSERT_GE(down.end - down.first, 1);
        for (qint64 i = across.first; i < across.end; ++i) {
            for (qint64 j = down.first; j < down.end; ++j) {
                const QRectF copy = p.copyRect(i, j);
                EXPECT_EQ(copy.width(), double(side));
                EXPECT_EQ(copy.height(), double(side));
                EXPECT_EQ(copy.left(), double(p.x + (side + in.marginX) * i));
                EXPECT_EQ(copy.top(), double(p.y + side * j));
                EXPECT_TRUE(copy.intersects(QRectF(0, 0, 200, 100)))
                    << anchor.rawValue().toStdString() << " " << i << "," << j;
            }
        }
    }
}

} // namespace
