#include "CanvasTestSupport.h"

#include "core/canvas/GridViewImageView.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/tests/support/PictureWorkerTestSettings.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/worker/program/PictureWorkerTestFaults.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrom;
using ambrel::ImageRotation;

// The canvas turns and mirrors its working copy itself; it must come out as
// the print draws the picture, pixel for pixel.
TEST(GridViewImageView, turnsAndMirrorsAsThePrintDraws) {
    QImage upright(3, 2, QImage::Format_ARGB32_Premultiplied);
    const QRgb colours[6] = {0xffff0000, 0xff00ff00, 0xff0000ff,
                             0xffffff00, 0xff00ffff, 0xffff00ff};
    for (int i = 0; i < 6; ++i) {
        upright.setPixel(i % 3, i / 3, colours[i]);
    }
    const auto picture = ambrel::OriginalImage::fromImage(upright, {}, {}, 1);
    ASSERT_TRUE(picture);
    for (const ImageRotation rotation :
         {ImageRotation::none, ImageRotation::r90, ImageRotation::r180, ImageRotation::r270}) {
        for (const bool flip : {false, true}) {
            const int w = rotation.isWidthHeightFlipped() ? 2 : 3;
            const int h = rotation.isWidthHeightFlipped() ? 3 : 2;
            auto context = platform::GraphicsContext::makeBitmap(
                platform::GraphicsContext::PixelFormat::rgba8888Premultiplied, w, h);
            ASSERT_TRUE(context);
            context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::none);
            // The print draws into a space whose y runs down the canvas.
            context->translateBy(0, h);
            context->scaleBy(1, -1);
            picture->draw(QRectF(0, 0, w, h), rotation, flip, *context, true);
            const QImage printed =
                context->makeImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            const QImage shown = GridViewImageView::orientedImage(upright, rotation, flip)
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            ASSERT_EQ(shown.size(), printed.size());
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    EXPECT_EQ(shown.pixel(x, y), printed.pixel(x, y))
                        << "turn " << rotation.rawValue() << " mirrored " << flip << " at " << x
                        << "," << y;
                }
            }
        }
    }
}

namespace {

using kestrom::testing::waitForPreview;

// One picture view in a scene, rendering as on the canvas.
class TiledPreview : public ::testing::Test {
protected:
    void SetUp() override { scene.addItem(view); }

    void show(const ambrel::OriginalImage::Pointer& picture, QSizeF size) {
        view->setOriginalImage(picture);
        view->setFrame(QRectF(QPointF(0, 0), size));
    }

    // The shown colour at a point of the view.
    QRgb pixelAt(QPointF p) const {
        for (const auto& tile : view->tileViews()) {
            const QRectF& f = tile.frame;
            const bool inside =
                p.x() >= f.left() && p.x() < f.right() && p.y() >= f.top() && p.y() < f.bottom();
            if (inside && !tile.contents.isNull()) {
                const QImage image = tile.contents.toImage();
                const QPointF q = (p - tile.frame.topLeft()) * view->backingScale();
                return image.pixel(int(q.x()), int(q.y()));
            }
        }
        ADD_FAILURE() << "no tile at " << p.x() << "," << p.y();
        return 0;
    }

    bool everyTileDrawn() const {
        for (const auto& tile : view->tileViews()) {
            if (tile.contents.isNull()) {
                return false;
            }
        }
        return !view->tileViews().isEmpty();
    }

    static std::shared_ptr<const CurrentBlackConversionReadonlyWrapper> threshold(double t) {
        return std::make_shared<CurrentBlackConversionReadonlyWrapper>(
            ambrel::BlackConversion::threshold({t, 0}));
    }

    static quenta::DeviceBlackConversionInfo offersWidening() {
        quenta::DeviceBlackConversionInfo info;
        info.threshold = quenta::DeviceBlackConversionInfo::ThresholdInfo{true};
        return info;
    }

    // 100 x 100 white with a one-pixel black line down the middle.
    static ambrel::OriginalImage::Pointer lineDownTheMiddle() {
        QImage line(100, 100, QImage::Format_Grayscale8);
        line.fill(255);
        for (int y = 0; y < 100; ++y) {
            line.scanLine(y)[50] = 0;
        }
        return ambrel::OriginalImage::fromImage(line, {}, {}, 1);
    }

    // A gray ramp from white at the left to black at the right.
    static ambrel::OriginalImage::Pointer ramp() {
        QImage image(256, 64, QImage::Format_RGB32);
        for (int x = 0; x < 256; ++x) {
            for (int y = 0; y < 64; ++y) {
                image.setPixel(x, y, qRgb(255 - x, 255 - x, 255 - x));
            }
        }
        return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
    }

    QGraphicsScene scene;
    GridViewImageView* view = new GridViewImageView;
};

} // namespace

TEST(GridViewImageViewSizes, previewKeepsItsBudgetAndRefusesUnusableRatios) {
    EXPECT_EQ(GridViewImageView::previewSize(1.5), QSize(3000, 2000));
    EXPECT_EQ(GridViewImageView::previewSize(1.0), QSize(2449, 2449));
    for (const double bad : {0.0, -2.0, std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(GridViewImageView::previewSize(bad)) << bad;
    }
    // Extreme ratios stay within one pixel and the budget on each side.
    for (const double extreme : {1e-15, 1e15}) {
        const auto size = GridViewImageView::previewSize(extreme);
        ASSERT_TRUE(size);
        EXPECT_GE(size->width(), 1);
        EXPECT_GE(size->height(), 1);
        EXPECT_LE(size->width(), 6'000'000);
        EXPECT_LE(size->height(), 6'000'000);
    }
}

TEST(GridViewImageViewSizes, tilesCoverTheViewRowByRow) {
    const QList<QRectF> frames = GridViewImageView::tileFrames({600, 260});
    ASSERT_EQ(frames.size(), 6);
    EXPECT_EQ(frames[0], QRectF(0, 0, 250, 250));
    EXPECT_EQ(frames[2], QRectF(500, 0, 250, 250));
    EXPECT_EQ(frames[3], QRectF(0, 250, 250, 250));
    EXPECT_EQ(frames[5], QRectF(500, 250, 250, 250));
    EXPECT_TRUE(GridViewImageView::tileFrames({0, 260}).isEmpty());
    EXPECT_TRUE(GridViewImageView::tileFrames({600, 0}).isEmpty());
}

TEST(GridViewImageViewSizes, onlyTilesMeetingTheVisibleAreaAreMadeForAnySize) {
    EXPECT_EQ(GridViewImageView::tileFrames({600, 260}, QRectF(300, 10, 100, 100)),
              QList<QRectF>({QRectF(250, 0, 250, 250)}));
    EXPECT_TRUE(GridViewImageView::tileFrames({600, 260}, QRectF(700, 0, 50, 50)).isEmpty());
    EXPECT_TRUE(GridViewImageView::tileFrames({600, 260}, QRectF()).isEmpty());

    // A picture frame of a million million points, a window's worth shown.
    const QList<QRectF> far =
        GridViewImageView::tileFrames({1e12, 1e12}, QRectF(1e6, 1e6, 600, 300));
    ASSERT_EQ(far.size(), 6);
    EXPECT_EQ(far.first(), QRectF(1e6, 1e6, 250, 250));
    EXPECT_EQ(far.last(), QRectF(1e6 + 500, 1e6 + 250, 250, 250));

    // Whole frames of any size give a bounded list; none overflows.
    const qint64 most = GridViewImageView::maximumTileSpan * GridViewImageView::maximumTileSpan;
    EXPECT_EQ(GridViewImageView::tileFrames({2147483647.0 * 40, 1e300}).size(), most);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(GridViewImageView::tileFrames({inf, 100}).isEmpty());
    EXPECT_TRUE(GridViewImageView::tileFrames({std::nan(""), 100}).isEmpty());
}

TEST_F(TiledPreview, aHugeFrameTilesWhatShowsAndKeepsTilesWhileTheyStillCoverIt) {
    view->setVisibleArea(QRectF(0, 0, 600, 260));
    show(ramp(), {2147483647.0, 2147483647.0});
    EXPECT_EQ(view->lastTileCount(), (GridViewImageView::TileCount{3, 2}));
    ASSERT_TRUE(waitForPreview(*view));
    ASSERT_TRUE(everyTileDrawn());

    // Less of it shows: the tiles stay, drawn.
    view->setVisibleArea(QRectF(10, 10, 400, 200));
    EXPECT_FALSE(view->hasPendingDrawing());
    EXPECT_TRUE(everyTileDrawn());
    // Another part shows: tiles for it.
    view->setVisibleArea(QRectF(1e6, 0, 100, 100));
    EXPECT_EQ(view->lastTileCount(), (GridViewImageView::TileCount{1, 1}));
    EXPECT_EQ(view->tileViews().first().frame, QRectF(1e6, 0, 250, 250));
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_TRUE(everyTileDrawn());
}

TEST_F(TiledPreview, thresholdGivesOnlyBlackAndWhiteTilesAtTheScreensScale) {
    view->setBackingScale(2);
    show(ramp(), {600, 260});
    EXPECT_EQ(view->lastTileCount(), (GridViewImageView::TileCount{3, 2}));
    ASSERT_TRUE(waitForPreview(*view));
    ASSERT_TRUE(everyTileDrawn());
    EXPECT_FALSE(view->thumbnail().isNull());
    for (const auto& tile : view->tileViews()) {
        const QImage image = tile.contents.toImage().convertToFormat(QImage::Format_Grayscale8);
        ASSERT_EQ(image.size(), QSize(500, 500));
        for (int y = 0; y < image.height(); ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                ASSERT_TRUE(row[x] == 0 || row[x] == 255) << x << "," << y;
            }
        }
    }
    // The default threshold is one half: light left, dark right.
    EXPECT_EQ(qGray(pixelAt({100, 100})), 255);
    EXPECT_EQ(qGray(pixelAt({500, 100})), 0);

    // A second layout of the same tile count keeps the tiles and redraws them.
    const auto* first = &view->tileViews().first();
    view->setFrame(QRectF(0, 0, 610, 255));
    EXPECT_EQ(&view->tileViews().first(), first);
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_TRUE(everyTileDrawn());
}

TEST_F(TiledPreview, turnsAndMirrorsAsThePrintDraws) {
    QImage upright(3, 2, QImage::Format_RGB32);
    const QRgb colours[6] = {0xffff0000, 0xff00ff00, 0xff0000ff,
                             0xffffff00, 0xff00ffff, 0xffff00ff};
    for (int i = 0; i < 6; ++i) {
        upright.setPixel(i % 3, i / 3, colours[i]);
    }
    view->setColorAbility(ambrel::ColorAbility::fullColor);
    view->setOriginalImage(ambrel::OriginalImage::fromImage(upright, {}, {}, 1));
    for (const ImageRotation rotation :
         {ImageRotation::none, ImageRotation::r90, ImageRotation::r180, ImageRotation::r270}) {
        for (const bool flip : {false, true}) {
            const QImage expected = GridViewImageView::orientedImage(upright, rotation, flip);
            view->setOrientation(rotation);
            view->setFlipsHorizontal(flip);
            view->setFrame(QRectF(0, 0, expected.width() * 100, expected.height() * 100));
            ASSERT_TRUE(waitForPreview(*view));
            for (int y = 0; y < expected.height(); ++y) {
                for (int x = 0; x < expected.width(); ++x) {
                    const QRgb shown = pixelAt({x * 100 + 50.0, y * 100 + 50.0});
                    const QRgb wanted = expected.pixel(x, y);
                    EXPECT_TRUE(std::abs(qRed(shown) - qRed(wanted)) < 8 &&
                                std::abs(qGreen(shown) - qGreen(wanted)) < 8 &&
                                std::abs(qBlue(shown) - qBlue(wanted)) < 8)
                        << "turn " << rotation.rawValue() << " mirrored " << flip << " at " << x
                        << "," << y << " shown " << std::hex << shown << " wanted " << wanted;
                }
            }
        }
    }
}

TEST_F(TiledPreview, aConversionChangeWhileRenderingNeverLeavesABlankTile) {
    view->setBlackConversion(threshold(0.2));
    show(ramp(), {600, 260});
    ASSERT_TRUE(waitForPreview(*view));
    ASSERT_TRUE(everyTileDrawn());
    // Near the middle of the ramp (a little lighter than one half): white
    // for a low threshold, black for a high one.
    EXPECT_EQ(qGray(pixelAt({280, 100})), 255);
    view->setBlackConversion(threshold(0.8));
    view->setBlackConversion(threshold(0.9));
    QElapsedTimer timer;
    timer.start();
    while (view->hasPendingDrawing() && timer.elapsed() < 10000) {
        ASSERT_TRUE(everyTileDrawn());
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_TRUE(everyTileDrawn());
    EXPECT_EQ(qGray(pixelAt({280, 100})), 0);
}

TEST_F(TiledPreview, aResizeWhileRenderingGetsTilesOfTheNewSize) {
    show(ramp(), {600, 260});
    // Before the worker is done: once while the pass waits, once later.
    view->setFrame(QRectF(0, 0, 700, 300));
    QApplication::processEvents();
    view->setFrame(QRectF(0, 0, 720, 480));
    EXPECT_EQ(view->lastTileCount(), (GridViewImageView::TileCount{3, 2}));
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_TRUE(everyTileDrawn());
    EXPECT_EQ(qGray(pixelAt({700, 470})), 0);
    EXPECT_EQ(qGray(pixelAt({10, 470})), 255);
}

TEST_F(TiledPreview, withoutAPictureTheTilesAreWhiteAndAGoneViewIsLeftAlone) {
    show(nullptr, {300, 200});
    ASSERT_TRUE(waitForPreview(*view));
    ASSERT_TRUE(everyTileDrawn());
    EXPECT_EQ(qGray(pixelAt({150, 100})), 255);
    // Work still queued for a view that goes away reaches nothing.
    view->setOriginalImage(ramp());
    QApplication::processEvents();
    delete view;
    view = nullptr;
    GridViewImageView::tileImageQueue().waitForDone();
    QApplication::processEvents();
}

TEST_F(TiledPreview, aFullColourModelShowsThePictureUnconverted) {
    view->setColorAbility(ambrel::ColorAbility::fullColor);
    show(ramp(), {256, 64});
    ASSERT_TRUE(waitForPreview(*view));
    const int middle = qGray(pixelAt({128, 32}));
    EXPECT_GT(middle, 80);
    EXPECT_LT(middle, 180);
}

// Placed for a print at 100 dots across the line down the middle (one dot a
// picture pixel), the picture view shows the print's own dots.
TEST_F(TiledPreview, withThePrintsGeometryTheTilesShowThePrintedDotsWidenedAsPrinted) {
    view->setDeviceBlackConversionInfo(offersWidening());
    const auto widen = [](qint64 level) {
        return std::make_shared<CurrentBlackConversionReadonlyWrapper>(
            ambrel::BlackConversion::threshold({0.5, level}));
    };
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {100, 100};
    options.imageOffsetBase = ambrel::OffsetBase::topLeft;
    // 25.4 dpi: a dot a millimetre; a canvas of 200 x 150 dots.
    const auto geometry = PreviewGeometry::make(options, {200, 150}, ambrel::Dpi(25.4));
    ASSERT_TRUE(geometry);
    view->setPrintGeometry(geometry);
    view->setBlackConversion(widen(0));
    // 2.5 points a dot.
    show(lineDownTheMiddle(), {250, 250});
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_TRUE(view->showsPrintedDots());
    // Dot 50 spans 125 to 127.5 points.
    EXPECT_EQ(qGray(pixelAt({126, 100})), 0);
    EXPECT_EQ(qGray(pixelAt({123.5, 100})), 255);
    EXPECT_EQ(qGray(pixelAt({128.5, 100})), 255);

    // Widened by one dot on each side at level 5, gone at -5.
    view->setBlackConversion(widen(5));
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_EQ(qGray(pixelAt({123.5, 100})), 0);
    EXPECT_EQ(qGray(pixelAt({128.5, 100})), 0);
    view->setBlackConversion(widen(-5));
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_EQ(qGray(pixelAt({126, 100})), 255);

    // Shown at four dots a point, the one-dot line is a gray stripe.
    view->setBlackConversion(widen(0));
    view->setFrame(QRectF(0, 0, 25, 25));
    ASSERT_TRUE(waitForPreview(*view));
    const int stripe = qGray(pixelAt({12.6, 10}));
    EXPECT_LT(stripe, 255);
    EXPECT_GT(stripe, 0);
}

// Moved by two dots, a threshold's tiles stay as they are; the halftone's
// screen lies elsewhere on the picture and is made again.
TEST_F(TiledPreview, aMoveRedrawsOnlyWhatTheScreenChanges) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {100, 100};
    options.imageOffsetBase = ambrel::OffsetBase::topLeft;
    const auto at = [&](double x) {
        options.imageOffset_mm = {x, 0};
        return PreviewGeometry::make(options, {200, 150}, ambrel::Dpi(25.4));
    };
    view->setPrintGeometry(at(0));
    show(ramp(), {250, 250});
    ASSERT_TRUE(waitForPreview(*view));
    view->setPrintGeometry(at(2));
    EXPECT_FALSE(view->hasPendingDrawing());
    view->setPrintGeometry(at(3));
    EXPECT_TRUE(view->hasPendingDrawing());
    ASSERT_TRUE(waitForPreview(*view));
    view->setBlackConversion(std::make_shared<CurrentBlackConversionReadonlyWrapper>(
        ambrel::BlackConversion::halftone({})));
    ASSERT_TRUE(waitForPreview(*view));
    view->setPrintGeometry(at(5));
    EXPECT_TRUE(view->hasPendingDrawing());
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_TRUE(everyTileDrawn());
}

// The thumbnail that shows until the tiles come, of a picture many times
// its size: a line of a few pixels keeps its share of the tone rather than
// turning into a row of black pixels stretched over the view, whether the
// tiles come from the print's dots or from the whole picture at its budget.
TEST_F(TiledPreview, aLargePicturesThinLineKeepsItsToneInTheThumbnail) {
    QImage picture(6000, 6000, QImage::Format_Grayscale8);
    picture.fill(255);
    {
        QPainter painter(&picture);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawLine(0, 0, 6000, 6000);
    }
    const auto darkness = [](const QImage& image) {
        const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
        double sum = 0;
        int darkest = 255;
        for (int y = 0; y < gray.height(); ++y) {
            for (int x = 0; x < gray.width(); ++x) {
                sum += 255 - gray.constScanLine(y)[x];
                darkest = std::min<int>(darkest, gray.constScanLine(y)[x]);
            }
        }
        return std::pair(sum / 255.0 / (double(gray.width()) * gray.height()), darkest);
    };
    const double drawn = darkness(picture).first;
    view->setBlackConversion(std::make_shared<CurrentBlackConversionReadonlyWrapper>(
        ambrel::BlackConversion::halftone({})));
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {2000, 2000};
    const auto geometry = PreviewGeometry::make(options, {100, 100}, ambrel::Dpi(600));
    ASSERT_TRUE(geometry);
    for (const bool printedDots : {true, false}) {
        SCOPED_TRACE(printedDots ? "from the print's dots" : "from the whole picture");
        view->setPrintGeometry(printedDots ? geometry : std::nullopt);
        show(ambrel::OriginalImage::fromImage(picture, {}, {}, 1), {500, 500});
        ASSERT_TRUE(waitForPreview(*view));
        ASSERT_FALSE(view->thumbnail().isNull());
        const auto [shown, darkest] = darkness(view->thumbnail());
        EXPECT_NEAR(shown, drawn, drawn / 4);
        EXPECT_GT(darkest, 128);
    }
}

TEST_F(TiledPreview, anIdleViewLetsGoOfTheDrawnPictureAndAConversionChangeDrawsItAgain) {
    EXPECT_EQ(view->drawnPictureLifetime(), 30000);
    show(ramp(), {600, 260});
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_EQ(qGray(pixelAt({280, 100})), 255);
    EXPECT_TRUE(view->keepsDrawnPicture());
    // The drawn gray picture at the budget, and its black-and-white
    // conversion at one bit a pixel.
    const qint64 budget = qint64(GridViewImageView::previewPixelBudget);
    EXPECT_LT(view->keptPixelBytes(), budget + budget / 8 + 64 * 1024);
    EXPECT_GT(view->keptPixelBytes(), budget * 9 / 10);
    // A shorter life counts again from now; set only here so that a slow
    // machine cannot end it before the checks above.
    view->setDrawnPictureLifetime(50);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->keepsDrawnPicture(); }, 5000));
    EXPECT_LT(view->keptPixelBytes(), budget / 8 + 64 * 1024);

    // Without it, a new threshold still converts the whole picture.
    view->setDrawnPictureLifetime(30000);
    view->setBlackConversion(threshold(0.9));
    ASSERT_TRUE(waitForPreview(*view));
    ASSERT_TRUE(everyTileDrawn());
    EXPECT_EQ(qGray(pixelAt({10, 100})), 255);
    EXPECT_EQ(qGray(pixelAt({280, 100})), 0);
    EXPECT_TRUE(view->keepsDrawnPicture());
}

// A page whose worker crashes when it draws shows why in its frame, not a
// blank that would pass for the picture; another picture draws again.
TEST_F(TiledPreview, aPageItsWorkerFailsOnShowsWhyInsteadOfABlank) {
    const PictureWorkerTestSettings faults(true);
    const auto failing = ambrel::OriginalImage::fromData(
        testpictures::pdf({QRectF(0, 0, 200, 100),
                           {},
                           0,
                           QStringLiteral("% ") +
                               QLatin1String(platform::PictureWorkerTestFaults::crashOnRender) +
                               QStringLiteral("\n0 0 0 rg 0 0 100 50 re f")}),
        QUrl::fromLocalFile(QStringLiteral("/tmp/crash.pdf")));
    ASSERT_TRUE(failing);
    show(failing, {400, 200});
    ASSERT_TRUE(waitForPreview(*view));
    ASSERT_TRUE(view->drawingError());
    EXPECT_EQ(view->drawingError()->localizedDescription(),
              ambrel::OriginalImageError::cannotBeDrawn(QStringLiteral("crash.pdf"))
                  .localizedDescription());
    for (const auto& tile : view->tileViews()) {
        EXPECT_TRUE(tile.contents.isNull());
    }
    QImage shown(400, 200, QImage::Format_RGB32);
    shown.fill(Qt::white);
    {
        QPainter painter(&shown);
        view->paintContents(&painter, QRectF(0, 0, 400, 200));
    }
    // The frame is filled, and its text is dark.
    EXPECT_NE(shown.pixel(2, 2), qRgb(255, 255, 255));
    int dark = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 400; ++x) {
            dark += qGray(shown.pixel(x, y)) < 128;
        }
    }
    EXPECT_GT(dark, 50);

    // Drawn again (the picture moved), it fails at once, the same way.
    view->setFrame(QRectF(0, 0, 410, 205));
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_TRUE(view->drawingError());

    show(ramp(), {400, 200});
    ASSERT_TRUE(waitForPreview(*view));
    EXPECT_FALSE(view->drawingError());
    EXPECT_TRUE(everyTileDrawn());
}
