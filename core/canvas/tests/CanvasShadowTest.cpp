#include "core/canvas/CanvasShadow.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewDrawingView.h"
#include "core/canvas/GridViewShadowBorderView.h"
#include "core/canvas/MainContentSplitItemViewController.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>
#include <optional>

using namespace kestrom;

namespace {

struct Placement {
    QSizeF canvas;
    double scale;
    QPointF offset;
    // Whether the bands serve it, leaving the middle of a large canvas
    // undrawn.
    bool banded = true;
};

// The shadow of a canvas drawn at `offset` points into a transparent image,
// by the bands (of `bands`, or new ones) or layer on layer.
QImage shadow(const Placement& p, bool layers, CanvasShadow* bands = nullptr) {
    const QSize points(int(p.canvas.width()) + 80, int(p.canvas.height()) + 80);
    QImage image((QSizeF(points) * p.scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(p.scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(p.offset);
    if (layers) {
        CanvasShadow::drawLayers(painter, p.canvas);
    } else {
        CanvasShadow made;
        (bands ? *bands : made).draw(painter, p.canvas);
    }
    return image;
}

// How many pixels outside the canvas differ, and by how much at most.
std::pair<int, int> differences(const QImage& a, const QImage& b, const Placement& p) {
    const QRectF canvas(p.offset * p.scale, p.canvas * p.scale);
    int count = 0;
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (canvas.contains(QPointF(x + 0.5, y + 0.5))) {
                continue;
            }
            const QRgb l = a.pixel(x, y);
            const QRgb r = b.pixel(x, y);
            const int d =
                std::max({std::abs(qAlpha(l) - qAlpha(r)), std::abs(qRed(l) - qRed(r)),
                          std::abs(qGreen(l) - qGreen(r)), std::abs(qBlue(l) - qBlue(r))});
            count += d > 0;
            most = std::max(most, d);
        }
    }
    return {count, most};
}

} // namespace

TEST(CanvasShadow, bandsGiveTheLayersPixelsAroundTheCanvas) {
    // Whole pixels (bands) and fractional ones (layers again); canvases from
    // the smallest with straight edges up to a window's.
    const Placement placements[] = {
        {{470, 660}, 1, {40, 40}},
        {{470, 660}, 2, {40, 40}},
        {{33, 33}, 1, {40, 40}},
        {{34, 120}, 2, {31, 47}},
        {{300, 20}, 1, {40, 40}, false},
        {{10, 10}, 1, {40, 40}, false},
        {{200, 150}, 1.5, {41, 40}, false},
        {{200, 150}, 1, {40.5, 40}, false},
        {{200.5, 150}, 1, {40, 40}, false},
    };
    for (const Placement& p : placements) {
        SCOPED_TRACE(QStringLiteral("%1 x %2 at %3, offset %4, %5")
                         .arg(p.canvas.width())
                         .arg(p.canvas.height())
                         .arg(p.scale)
                         .arg(p.offset.x())
                         .arg(p.offset.y())
                         .toStdString());
        const QImage layers = shadow(p, true);
        const QImage bands = shadow(p, false);
        const auto [count, most] = differences(layers, bands, p);
        EXPECT_EQ(count, 0) << "differing by up to " << most;
        // Something was drawn: the shadow darkens below the canvas.
        const QPointF below =
            (p.offset + QPointF(p.canvas.width() / 2, p.canvas.height() + 4)) * p.scale;
        EXPECT_GT(qAlpha(bands.pixel(below.toPoint())), 0);
        const QPointF middle =
            (p.offset + QPointF(p.canvas.width(), p.canvas.height()) / 2) * p.scale;
        if (p.canvas.width() > 64 && p.canvas.height() > 64) {
            EXPECT_EQ(qAlpha(bands.pixel(middle.toPoint())) == 0, p.banded);
        }
    }
}

TEST(CanvasShadow, aBandDrawingKeepsItsBandsForTheSameCanvasAndRemakesThemForAnother) {
    CanvasShadow kept;
    const Placement first{{300, 200}, 1, {40, 40}};
    const Placement other{{200, 300}, 1, {40, 40}};
    const QImage once = shadow(first, false, &kept);
    EXPECT_EQ(shadow(first, false, &kept), once);
    EXPECT_EQ(differences(shadow(first, true), once, first).first, 0);
    EXPECT_EQ(differences(shadow(other, true), shadow(other, false, &kept), other).first, 0);
}

TEST(CanvasDimLayer, itsOpaqueColourIsTheTranslucentLayerOverTheBackground) {
    for (const bool dark : {false, true}) {
        for (const QColor background :
             {QColor(239, 239, 239), QColor(49, 54, 59), QColor(0, 0, 0)}) {
            QImage blended(300, 200, QImage::Format_ARGB32_Premultiplied);
            blended.fill(background);
            QPainter(&blended).fillRect(
                blended.rect(), MainContentSplitItemViewController::View::DimView::dimColor(dark));
            const QColor opaque =
                MainContentSplitItemViewController::View::DimView::dimmed(background, dark);
            EXPECT_EQ(opaque.alpha(), 255);
            EXPECT_EQ(opaque.rgb(), blended.pixel(150, 100)) << background.name().toStdString();
            EXPECT_EQ(opaque.rgb(), blended.pixel(0, 0));
        }
    }
}

namespace {

// Notes the still parts' cache modes as the viewport's first paint begins.
class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QGraphicsItem& grid, QGraphicsItem& ring) : m_grid(grid), m_ring(ring) {}
    std::optional<std::pair<QGraphicsItem::CacheMode, QGraphicsItem::CacheMode>> modes;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !modes) {
            modes = {m_grid.cacheMode(), m_ring.cacheMode()};
        }
        return false;
    }

private:
    QGraphicsItem& m_grid;
    QGraphicsItem& m_ring;
};

int largestDifference(const QImage& first, const QImage& second) {
    int most = 0;
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            const QRgb a = first.pixel(x, y);
            const QRgb b = second.pixel(x, y);
            most = std::max({most, std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                             std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
        }
    }
    return most;
}

} // namespace

TEST(GridViewStillParts, areDrawnDirectlyInTheFirstFrameAndKeptAsPixmapsFromTheNextTurn) {
    GridView view;
    view.resize(500, 400);
    view.setPrintableSize_mm({300, 200});
    GridViewShadowBorderView* ring = nullptr;
    for (QGraphicsItem* item : view.scene()->items()) {
        ring = ring ? ring : dynamic_cast<GridViewShadowBorderView*>(item);
    }
    GridViewDrawingView* grid = view.drawingView();
    ASSERT_TRUE(grid && ring);
    FirstPaintWatch watch(*grid, *ring);
    view.viewport()->installEventFilter(&watch);

    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return grid->cacheMode() == QGraphicsItem::DeviceCoordinateCache &&
                   ring->cacheMode() == QGraphicsItem::DeviceCoordinateCache;
        },
        5000));
    ASSERT_TRUE(watch.modes);
    EXPECT_EQ(watch.modes->first, QGraphicsItem::NoCache);
    EXPECT_EQ(watch.modes->second, QGraphicsItem::NoCache);

    // Kept as pixmaps, they look as drawn directly: at most a rounding step
    // apart where the canvas's rounded corners are blended.
    const QImage kept = view.viewport()->grab().toImage();
    grid->setCacheMode(QGraphicsItem::NoCache);
    ring->setCacheMode(QGraphicsItem::NoCache);
    const QImage direct = view.viewport()->grab().toImage();
    ASSERT_EQ(kept.size(), direct.size());
    EXPECT_LE(largestDifference(kept, direct), 1);
}
