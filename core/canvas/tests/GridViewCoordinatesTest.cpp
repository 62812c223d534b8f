#include "core/canvas/GridViewChangeRecord.h"
#include "core/canvas/GridViewModel.h"
#include "core/canvas/GridViewTransform.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrom;
using ambrel::OffsetBase;

namespace {

QPointF mapped(OffsetBase anchor, bool translation, QPointF mm, QSizeF bounds = {600, 400},
               ambrel::Size_mm printable = {300, 200}) {
    const auto t = GridViewTransform::makeMmToPt(bounds, printable, anchor, translation);
    EXPECT_TRUE(t.has_value());
    return t ? t->map(mm) : QPointF();
}

} // namespace

TEST(GridViewTransform, offsetTenTwentyFromEveryAnchor) {
    // 300 x 200 mm shown 600 x 400 points: 2 points per millimetre.
    struct Row {
        OffsetBase anchor;
        QPointF expected;
    };
    const Row rows[] = {
        {OffsetBase::topLeft, {20, 40}},       {OffsetBase::top, {320, 40}},
        {OffsetBase::topRight, {580, 40}},     {OffsetBase::left, {20, 160}},
        {OffsetBase::center, {320, 160}},      {OffsetBase::right, {580, 160}},
        {OffsetBase::bottomLeft, {20, 360}},   {OffsetBase::bottom, {320, 360}},
        {OffsetBase::bottomRight, {580, 360}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(mapped(row.anchor, true, {10, 20}), row.expected)
            << row.anchor.rawValue().toStdString();
    }
}

TEST(GridViewTransform, scaleComesFromTheWidthAndDirectionsFromTheAnchor) {
    EXPECT_EQ(mapped(OffsetBase::topLeft, true, {10, 20}, {300, 999}, {150, 10}), QPointF(20, 40));
    EXPECT_EQ(mapped(OffsetBase::center, true, {10, 20}, {300, 250}, {150, 10}),
              QPointF(170, 125 - 40));
    // Without translation only directions remain, for movement deltas.
    EXPECT_EQ(mapped(OffsetBase::right, false, {10, 0}, {300, 200}, {150, 100}), QPointF(-20, 0));
    EXPECT_EQ(mapped(OffsetBase::bottomLeft, false, {0, 10}, {300, 200}, {150, 100}),
              QPointF(0, -20));
}

TEST(GridViewTransform, noUsableCanvasGivesNoTransform) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const ambrel::Size_mm printable : {ambrel::Size_mm{0, 100}, ambrel::Size_mm{-5, 100},
                                            ambrel::Size_mm{nan, 100}, ambrel::Size_mm{inf, 100}}) {
        EXPECT_FALSE(
            GridViewTransform::makeMmToPt({300, 200}, printable, OffsetBase::center, true));
    }
    EXPECT_FALSE(GridViewTransform::makeMmToPt({0, 0}, {300, 200}, OffsetBase::center, true));
}

TEST(GridViewChangeRecord, keepsTheFirstOldValueAndTheLatestNewValue) {
    GridViewChangeRecord record;
    record.record(GridViewChangedProperty::imageRepeatXCount, 1, 3);
    record.record(GridViewChangedProperty::imageRepeatXCount, 3, 1);
    record.record(GridViewChangedProperty::flipsImage, false, true);
    EXPECT_EQ(record.count(), 2);
    const auto repeat = record.change(GridViewChangedProperty::imageRepeatXCount);
    ASSERT_TRUE(repeat);
    EXPECT_EQ(repeat->oldValue.toInt(), 1);
    EXPECT_EQ(repeat->newValue.toInt(), 1);
    EXPECT_FALSE(record.change(GridViewChangedProperty::image));
    record.clear();
    EXPECT_TRUE(record.isEmpty());
}

TEST(GridViewModel, allImageSizeCountsCopiesAndGaps) {
    GridViewModel m;
    m.imageSizeForDisplay_mm = {40, 30};
    m.imageRepeatXMargin_mm = 2;
    m.imageRepeatYMargin_mm = 7;
    EXPECT_EQ(m.allImageSize_mm(), (ambrel::Size_mm{40, 30}));
    m.imageRepeatXCount = 3;
    EXPECT_EQ(m.allImageSize_mm(), (ambrel::Size_mm{3 * 40 + 4, 30}));
    m.imageRepeatYCount = 2;
    EXPECT_EQ(m.allImageSize_mm(), (ambrel::Size_mm{124, 67}));
    m.imageRepeatYCount = 0; // below two copies: one copy's size
    EXPECT_EQ(m.allImageSize_mm().height, 30);
}
