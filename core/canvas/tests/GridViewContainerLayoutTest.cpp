#include "core/canvas/GridViewContainerLayout.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewContainerView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/MainContentSplitItemViewController.h"

#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrom;
using L = GridViewContainerLayout;

TEST(GridViewContainerLayout, theCanvasFillsTheAreaAtItsProportions) {
    EXPECT_DOUBLE_EQ(L::widthPerHeight(210, 297), 210.0 / 297.0);
    EXPECT_EQ(L::widthPerHeight(0, 297), 1.0);
    EXPECT_EQ(L::widthPerHeight(210, -1), 1.0);

    L::Input input;
    input.viewSize = {1100, 700};
    input.widthPerHeight = 297.0 / 210.0;
    const L::Result wide = L::compute(input);
    // Limited by the height: nothing above, 16 below.
    EXPECT_EQ(wide.availableArea, QRectF(8, 0, 1084, 684));
    EXPECT_DOUBLE_EQ(wide.gridView.height(), 684);
    EXPECT_DOUBLE_EQ(wide.gridView.width(), 684 * 297.0 / 210.0);
    EXPECT_DOUBLE_EQ(wide.gridView.center().x(), 8 + 1084 / 2.0);
    EXPECT_FALSE(wide.topAccessory);

    // A tall window: limited by the width, centred down the whole view.
    input.viewSize = {600, 1000};
    const L::Result tall = L::compute(input);
    EXPECT_DOUBLE_EQ(tall.gridView.width(), 584);
    EXPECT_DOUBLE_EQ(tall.gridView.center().y(), 500);
}

TEST(GridViewContainerLayout, theAccessorySitsCentredAboveTheCanvas) {
    L::Input input;
    input.viewSize = {1100, 700};
    input.widthPerHeight = 297.0 / 210.0;
    input.topAccessorySize = QSizeF(300, 40);
    const L::Result r = L::compute(input);
    // The band above the area: the accessory's height and the bottom margin.
    EXPECT_DOUBLE_EQ(r.availableArea.top(), 60);
    ASSERT_TRUE(r.topAccessory);
    EXPECT_DOUBLE_EQ(r.topAccessory->center().x(), 550);
    EXPECT_DOUBLE_EQ(r.topAccessory->center().y(), (0 + r.gridView.top() - 20) / 2);
    EXPECT_LE(r.topAccessory->bottom(), r.gridView.top());

    input.topAccessoryViewMargin = QMarginsF(8, 10, 8, 20);
    EXPECT_DOUBLE_EQ(L::compute(input).availableArea.top(), 70);
}

TEST(MainContentSplitItem, keepsTheCanvasLargeEnoughOverADimmedBackground) {
    QSplitter splitter;
    MainContentSplitItemViewController item;
    item.addTo(splitter);
    EXPECT_EQ(splitter.widget(0), item.view());
    QWidget* canvas = item.gridViewController()->view();
    EXPECT_EQ(canvas->minimumSize(), QSize(510, 250));
    EXPECT_GE(item.view()->minimumSizeHint().width(), 510);
    EXPECT_EQ(item.view()->dimView()->parentWidget(), item.view()->visualEffectView());
    using Dim = MainContentSplitItemViewController::View::DimView;
    EXPECT_EQ(Dim::dimColor(true), QColor::fromRgbF(0.9f, 0.9f, 0.9f, 0.1f));
    EXPECT_EQ(Dim::dimColor(false), QColor::fromRgbF(0.2f, 0.2f, 0.2f, 0.1f));
    // The controller, its views and the canvas go with the item.
}

// The canvas view covers the whole item but draws only the canvas and its
// shadow: beside the canvas a dark window shows its own background under
// the dim layer, while the canvas keeps its light colours.
TEST(MainContentSplitItem, aDarkWindowShowsBesideTheCanvasWhichStaysLight) {
    MainContentSplitItemViewController item;
    QWidget* view = item.view();
    QPalette dark = view->palette();
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::Mid, QColor(60, 60, 60));
    view->setPalette(dark);
    view->resize(1100, 700);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    QApplication::processEvents();
    const QImage shown = view->grab().toImage();
    const QRectF canvas = item.gridViewController()->gridView()->canvasRect();
    ASSERT_GT(canvas.left(), 120);
    const QPoint beside(int(canvas.left()) / 2, int(canvas.center().y()));
    EXPECT_LT(QColor(shown.pixel(beside)).lightness(), 90);
    EXPECT_GT(QColor(shown.pixel(canvas.center().toPoint() + QPoint(0, 100))).lightness(), 200);
}
