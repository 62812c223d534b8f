#include "core/canvas/GridViewSequenceStyle.h"

#include <gtest/gtest.h>

using namespace kestrom;

TEST(GridViewSequenceStyle, numbersAndHuesStepRoundTheCircle) {
    EXPECT_EQ(GridViewSequenceStyle::labelText(0), "1");
    EXPECT_EQ(GridViewSequenceStyle::labelText(2), "3");
    EXPECT_DOUBLE_EQ(GridViewSequenceStyle::hue(0), 0);
    EXPECT_NEAR(GridViewSequenceStyle::hue(1), 0.42, 1e-12);
    EXPECT_NEAR(GridViewSequenceStyle::hue(2), 0.84, 1e-12);
    EXPECT_NEAR(GridViewSequenceStyle::hue(3), 0.26, 1e-12);
    EXPECT_NEAR(GridViewSequenceStyle::hue(-1), -0.42, 1e-12);
    // Sequence 0 is red.
    const QColor red = GridViewSequenceStyle::borderColor(0);
    EXPECT_GT(red.redF(), 0.4);
    EXPECT_LT(red.greenF(), 0.1);
    // A negative hue still makes a colour.
    EXPECT_TRUE(GridViewSequenceStyle::backgroundColor(-1, false).isValid());
}

TEST(GridViewSequenceStyle, hoverRaisesTheAlpha) {
    EXPECT_NEAR(GridViewSequenceStyle::backgroundColor(4, false).alphaF(), 0.3, 1e-3);
    EXPECT_NEAR(GridViewSequenceStyle::backgroundColor(4, true).alphaF(), 0.36, 1e-3);
}

TEST(GridViewSequenceStyle, toolTipFromTheTemplate) {
    const ambrel::Rect_mm rect{{10, 0}, {120.25, 80}};
    const QString tip = GridViewSequenceStyle::toolTip(1, rect);
    EXPECT_TRUE(tip.contains("2")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("120.2") || tip.contains("120.3")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("80.0")) << tip.toStdString();
    // A template that asks for more or other arguments reads nothing beyond them.
    EXPECT_EQ(GridViewSequenceStyle::toolTip("%d %s %f %@ %d", 0, rect).left(2), "1 ");
}
