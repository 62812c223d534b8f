#include "core/canvas/GridViewSequenceStyle.h"
#include "core/canvas/GridViewDropHintView.h"
#include "core/canvas/GridViewSequenceView.h"

#include <QFont>
#include <QFontMetricsF>

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

// Sizes on the canvas are view points, which are pixels at scale 1: the
// prompt's 26 and the numbers' 20 do not grow with the screen's dots per inch.
// A font's line is taller than its size by the family's own measure, so the
// bound is the line the family sets at that many pixels, which a size in
// points would exceed by the screen's 96/72.
TEST(CanvasText, thePromptAndTheSequenceNumbersAreSetInViewPoints) {
    const auto lineInPixels = [](double size) {
        QFont font;
        font.setPixelSize(int(size));
        return QFontMetricsF(font).height();
    };
    const GridViewDropHintView prompt(QStringLiteral("Drop a picture here"));
    const double promptHeight = prompt.intrinsicSize().height();
    EXPECT_GE(promptHeight, GridViewDropHintView::pointSize);
    EXPECT_LT(promptHeight, lineInPixels(GridViewDropHintView::pointSize) + 1.5);

    GridViewSequenceView sequence;
    sequence.setFrame(QRectF(0, 0, 200, 200));
    sequence.setSequence(0);
    const double labelHeight = sequence.labelRect().height();
    EXPECT_GE(labelHeight, GridViewSequenceView::labelPointSize);
    EXPECT_LT(labelHeight, lineInPixels(GridViewSequenceView::labelPointSize) + 1.5);
    // The bound tells the two apart where points are larger than pixels.
    ASSERT_GT(QFontMetricsF(QFont()).fontDpi(), 72);
    QFont inPoints;
    inPoints.setPointSizeF(GridViewSequenceView::labelPointSize);
    EXPECT_GT(QFontMetricsF(inPoints).height(),
              lineInPixels(GridViewSequenceView::labelPointSize) + 1.5);
}
