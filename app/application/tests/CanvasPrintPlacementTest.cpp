// The canvas shows the picture where the print puts it: for every anchor,
// offsets, sizes, quarter turns, mirroring and repeats with margins, the
// canvas drawn at one point per print pixel and the print bitmap agree on
// every black pixel (within a pixel's rounding).

#include "app/tavrin/TavrinBitmapRenderer.h"
#include "app/tavrin/TavrinPicturePlacement.h"
#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewDrawingView.h"
#include "core/canvas/GridViewDropHintView.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/canvas/GridViewLayout.h"
#include "core/canvas/GridViewOverflownAreaView.h"
#include "core/canvas/GridViewShadowBorderView.h"
#include "core/canvas/tests/CanvasTestSupport.h"
#include "model/pictures/OriginalImage.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using ambrel::ImageRotation;
using ambrel::OffsetBase;

namespace {

// Two print pixels per millimetre; the canvas is drawn at two device pixels
// per millimetre (two points at scale 1, one point at scale 2), so pixels
// match one to one.
const ambrel::Dpi dpi(50.8);
const ambrel::Size_mm canvasSize{150, 100};
const QSize canvasPixels(300, 200);

struct Case {
    const char* name;
    ambrel::Size_px imageSize_px; // before turning
    ambrel::Point_mm offset;
    ImageRotation orientation = ImageRotation::none;
    bool mirrored = false;
    qint64 repeatX = 1;
    qint64 repeatY = 1;
    double marginX = 0;
    double marginY = 0;
};

const Case cases[] = {
    {"plain", {60, 30}, {0, 0}},
    {"offset", {60, 30}, {10.3, 7.7}},
    {"scaledTurnedMirrored", {90, 44}, {-4, 12.5}, ImageRotation::r90, true},
    // Odd free space: the print truncates half of it, the canvas keeps the half.
    {"halfTurnMirrored", {41, 23}, {21, -3}, ImageRotation::r180, true},
    {"quarterTurn", {60, 30}, {7.5, 3}, ImageRotation::r90},
    {"threeQuarterTurnMirrored", {70, 36}, {-2, 4}, ImageRotation::r270, true},
    {"repeatsWithMargins", {40, 20}, {6, 4.5}, ImageRotation::r270, false, 2, 3, 4, 2.5},
    {"mirroredRepeats", {50, 26}, {2.5, 1}, ImageRotation::none, true, 2, 3, 3.5, 1.5},
    // Negative margins overlap the copies: which one lies on top shows.
    {"overlappingRepeats", {60, 30}, {3, 2}, ImageRotation::none, false, 2, 3, -12, -6},
};

// White with a block at the top left and a bar along the bottom from the
// left: every turn and the mirror move them apart.
ambrel::OriginalImage::Pointer markedPicture() {
    QImage image(60, 30, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 24, 12), Qt::black);
    painter.fillRect(QRect(0, 22, 44, 8), Qt::black);
    painter.end();
    return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
}

ambrel::OriginalImageDrawingOptions optionsFor(const Case& c, OffsetBase anchor) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = c.imageSize_px;
    options.imageOffset_mm = c.offset;
    options.imageOrientation = c.orientation;
    options.flipsImageHorizontal = c.mirrored;
    options.imageOffsetBase = anchor;
    options.imageRepeatXCount = c.repeatX;
    options.imageRepeatYCount = c.repeatY;
    options.imageRepeatXMargin_mm = c.marginX;
    options.imageRepeatYMargin_mm = c.marginY;
    return options;
}

// The canvas model the document hands the canvas for the same options.
kestrom::GridViewModel modelFor(const ambrel::OriginalImageDrawingOptions& options) {
    kestrom::GridViewModel model;
    model.printableSize_mm = canvasSize;
    model.imageOffset_mm = options.imageOffset_mm;
    model.imageSizeForDisplay_mm = dpi.mm(options.imageSizeForDisplay_px());
    model.imageOffsetBase = options.imageOffsetBase;
    model.flipsImage = options.flipsImageHorizontal;
    model.imageOrientation = options.imageOrientation;
    model.imageRepeatXCount = options.imageRepeatXCount;
    model.imageRepeatYCount = options.imageRepeatYCount;
    model.imageRepeatXMargin_mm = options.imageRepeatXMargin_mm;
    model.imageRepeatYMargin_mm = options.imageRepeatYMargin_mm;
    model.hasPicture = true;
    return model;
}

// Black pixels of the print seen as the canvas: bitmap columns run along
// the canvas's height, so canvas pixel (u, v) is bitmap pixel (H-1-v, W-1-u).
std::vector<bool> printBlack(const ambrel::OriginalImageDrawingOptions& options) {
    const auto info = lunvik::TavrinBitmapRenderer::render(
        {dpi, {}}, canvasSize, ambrel::ImageSource::originalImage(markedPicture(), options),
        nullptr);
    const int W = info.bitmap.height();
    const int H = info.bitmap.width();
    EXPECT_EQ(QSize(W, H), canvasPixels);
    std::vector<bool> black(size_t(W) * size_t(H));
    for (int v = 0; v < H; ++v) {
        for (int u = 0; u < W; ++u) {
            black[size_t(v) * size_t(W) + size_t(u)] =
                info.bitmap.constScanLine(W - 1 - u)[H - 1 - v] == 0;
        }
    }
    return black;
}

class CanvasPrintPlacement : public ::testing::TestWithParam<double> {
protected:
    void SetUp() override {
        // Placement changes land at once rather than move on screen.
        kestrom::CanvasAnimation::setCompletesAtOnce(true);
        view.resize(canvasPixels + QSize(80, 80));
        view.setCanvasRect(QRectF(QPointF(0, 0), QSizeF(canvasPixels) / scale()));
        view.setBackingScaleFactorOverride(scale());
        view.setPrintableSize_mm(canvasSize);
        view.setOriginalImage(markedPicture());
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    static double scale() { return GetParam(); }

    // Black pixels of the canvas's picture and its copies, everything else
    // (grid, tint, frame, selection) left out.
    std::vector<bool> canvasBlack(const ambrel::OriginalImageDrawingOptions& options) {
        view.setImageOffsetBase(options.imageOffsetBase.rawValue());
        view.setImageOrientation(options.imageOrientation.rawValue());
        view.setFlipsImage(options.flipsImageHorizontal);
        const kestrom::GridViewModel model = modelFor(options);
        view.setImageSizeForDisplay_mm(model.imageSizeForDisplay_mm);
        view.setImageOffset_mm(options.imageOffset_mm);
        view.setImageRepeatXCount(options.imageRepeatXCount);
        view.setImageRepeatYCount(options.imageRepeatYCount);
        view.setImageRepeatXMargin_mm(options.imageRepeatXMargin_mm);
        view.setImageRepeatYMargin_mm(options.imageRepeatYMargin_mm);
        return shownBlack();
    }

    std::vector<bool> shownBlack() {
        view.layout();
        EXPECT_TRUE(kestrom::testing::waitForPreview(*view.imageView()));
        for (QGraphicsItem* item : std::initializer_list<QGraphicsItem*>{
                 view.drawingView(), view.overflownAreaView(), view.imageSelectionView(),
                 view.shadowBorderView(), view.dragHereLabel()}) {
            item->setVisible(false);
        }
        QImage image(canvasPixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            view.render(&painter, QRectF(image.rect()),
                        QRect(view.viewportPoint(QPointF(0, 0)), canvasPixels / scale()));
        }
        std::vector<bool> black(size_t(image.width()) * size_t(image.height()));
        for (int v = 0; v < image.height(); ++v) {
            for (int u = 0; u < image.width(); ++u) {
                black[size_t(v) * size_t(image.width()) + size_t(u)] =
                    qGray(image.pixel(u, v)) < 128;
            }
        }
        return black;
    }

    void TearDown() override { kestrom::CanvasAnimation::setCompletesAtOnce(false); }

    kestrom::GridView view;
};

// Pixels of one set with no pixel of the other within one pixel.
int strayPixels(const std::vector<bool>& set, const std::vector<bool>& other, QRect* bounds) {
    const int W = canvasPixels.width();
    const int H = canvasPixels.height();
    int stray = 0;
    for (int v = 0; v < H; ++v) {
        for (int u = 0; u < W; ++u) {
            if (!set[size_t(v * W + u)]) {
                continue;
            }
            bool near = false;
            for (int dv = -1; dv <= 1 && !near; ++dv) {
                for (int du = -1; du <= 1 && !near; ++du) {
                    const int x = u + du;
                    const int y = v + dv;
                    near = x >= 0 && y >= 0 && x < W && y < H && other[size_t(y * W + x)];
                }
            }
            if (!near) {
                ++stray;
                *bounds |= QRect(u, v, 1, 1);
            }
        }
    }
    return stray;
}

int count(const std::vector<bool>& set) {
    return int(std::count(set.begin(), set.end(), true));
}

} // namespace

TEST_P(CanvasPrintPlacement, copiesAgreeOnEveryPixelForEveryAnchor) {
    for (const OffsetBase anchor : OffsetBase::allCases()) {
        for (const Case& c : cases) {
            const auto options = optionsFor(c, anchor);
            const std::vector<bool> printed = printBlack(options);
            const std::vector<bool> shown = canvasBlack(options);
            const QString where = anchor.rawValue() + QLatin1Char(' ') + QLatin1String(c.name);
            ASSERT_GT(count(printed), 100) << where.toStdString();
            QRect printedOnly;
            QRect shownOnly;
            EXPECT_EQ(strayPixels(printed, shown, &printedOnly), 0)
                << where.toStdString() << ": printed, not shown, within " << printedOnly.x() << ","
                << printedOnly.y() << " " << printedOnly.width() << "x" << printedOnly.height();
            EXPECT_EQ(strayPixels(shown, printed, &shownOnly), 0)
                << where.toStdString() << ": shown, not printed, within " << shownOnly.x() << ","
                << shownOnly.y() << " " << shownOnly.width() << "x" << shownOnly.height();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ScreenScales, CanvasPrintPlacement, ::testing::Values(1.0, 2.0));

// Sizes that cannot be shown (no canvas width, a picture of no size, sizes
// that are not finite) hide the picture or draw nothing; nothing is divided
// by them. The print refuses such canvases (see the renderer's tests).
TEST_P(CanvasPrintPlacement, unusableSizesDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto options = optionsFor(cases[6], OffsetBase::center);
    ASSERT_GT(count(canvasBlack(options)), 100);
    for (const ambrel::Size_mm printable :
         {ambrel::Size_mm{0, 0}, ambrel::Size_mm{nan, 100}, ambrel::Size_mm{inf, 100}}) {
        view.setPrintableSize_mm(printable);
        EXPECT_EQ(count(shownBlack()), 0) << printable.width;
        EXPECT_FALSE(view.imageView()->isVisible());
    }
    view.setPrintableSize_mm(canvasSize);
    for (const ambrel::Size_mm size : {ambrel::Size_mm{0, 0}, ambrel::Size_mm{nan, 10},
                                       ambrel::Size_mm{inf, 10}, ambrel::Size_mm{10, -inf}}) {
        view.setImageSizeForDisplay_mm(size);
        EXPECT_EQ(count(shownBlack()), 0) << size.width << " x " << size.height;
    }
    view.setImageSizeForDisplay_mm({20, 10});
    view.setImageRepeatXMargin_mm(inf);
    EXPECT_EQ(count(shownBlack()), 0);
}

// The same agreement as numbers: each copy's rectangle on the canvas, in
// points at one point per print pixel, lies within a pixel of the print's.
TEST(CanvasPrintPlacementGeometry, copyRectanglesAgreeForEveryAnchor) {
    for (const OffsetBase anchor : OffsetBase::allCases()) {
        for (const Case& c : cases) {
            const auto options = optionsFor(c, anchor);
            const auto printed =
                lunvik::TavrinPicturePlacement::compute(lunvik::TavrinPicturePlacement::inputFor(
                    options, {canvasPixels.width(), canvasPixels.height()}, dpi));

            kestrom::GridViewLayout::Input layoutInput;
            layoutInput.model = modelFor(options);
            layoutInput.bounds = QSizeF(canvasPixels);
            const auto shown = kestrom::GridViewLayout::compute(layoutInput);
            ASSERT_TRUE(shown.showsPicture);

            // Copies in the order the canvas steps through them, matched to
            // the print's by position.
            std::vector<QRectF> shownCopies;
            std::vector<QRectF> printedCopies;
            for (qint64 j = 0; j < c.repeatY; ++j) {
                for (qint64 i = 0; i < c.repeatX; ++i) {
                    shownCopies.push_back(
                        shown.imageRect_pt.translated(i * shown.copyStepX, j * shown.copyStepY));
                    printedCopies.push_back(QRectF(printed.copyRect(i, j)));
                }
            }
            const auto sortKey = [](const QRectF& a, const QRectF& b) {
                return std::pair(a.top(), a.left()) < std::pair(b.top(), b.left());
            };
            std::sort(shownCopies.begin(), shownCopies.end(), sortKey);
            std::sort(printedCopies.begin(), printedCopies.end(), sortKey);
            for (size_t k = 0; k < shownCopies.size(); ++k) {
                const QRectF a = shownCopies[k];
                const QRectF b = printedCopies[k];
                const auto where = (anchor.rawValue() + QLatin1Char(' ') + QLatin1String(c.name) +
                                    QStringLiteral(" copy %1").arg(k))
                                       .toStdString();
                EXPECT_NEAR(a.left(), b.left(), 1.0) << where;
                EXPECT_NEAR(a.top(), b.top(), 1.0) << where;
                EXPECT_NEAR(a.right(), b.right(), 1.0) << where;
                EXPECT_NEAR(a.bottom(), b.bottom(), 1.0) << where;
            }
            const QRectF printedAll(printed.x, printed.y, printed.totalWidth(),
                                    printed.totalHeight());
            EXPECT_NEAR(shown.allImageRect_pt.left(), printedAll.left(), 1.0);
            EXPECT_NEAR(shown.allImageRect_pt.top(), printedAll.top(), 1.0);
            EXPECT_NEAR(shown.allImageRect_pt.width(), printedAll.width(), 1.0);
            EXPECT_NEAR(shown.allImageRect_pt.height(), printedAll.height(), 1.0);
        }
    }
}
