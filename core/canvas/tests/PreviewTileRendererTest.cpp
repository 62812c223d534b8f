#include "core/canvas/preview/PreviewTileRenderer.h"
#include "core/canvas/preview/PreviewGeometry.h"
#include "core/canvas/preview/PreviewImageRules.h"
#include "core/canvas/preview/PreviewTileCache.h"
#include "imaging/print/PrintPictureDrawing.h"
#include "platform/compute/Device.h"
#include "platform/tests/support/TestPictures.h"

#include <QPainter>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace kestrom;
using ambrel::ImageRotation;

namespace {

// 25.4 dpi: one dot a millimetre.
const ambrel::Dpi dotPerMm(25.4);

ambrel::OriginalImage::Pointer gradientWithLines() {
    QImage image(120, 80, QImage::Format_Grayscale8);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 120; ++x) {
            image.scanLine(y)[x] = uchar(255 - x * 2);
        }
        image.scanLine(y)[7] = 0;
    }
    std::memset(image.scanLine(40), 0, 120);
    return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
}

ambrel::OriginalImageDrawingOptions placed(ImageRotation orientation, bool mirrored) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {120, 80};
    options.imageOrientation = orientation;
    options.flipsImageHorizontal = mirrored;
    options.imageOffsetBase = ambrel::OffsetBase::topLeft;
    options.imageOffset_mm = {13, 9};
    return options;
}

quenta::DeviceBlackConversionInfo modelInfo() {
    quenta::DeviceBlackConversionInfo info;
    info.threshold = quenta::DeviceBlackConversionInfo::ThresholdInfo{true};
    info.halftone = quenta::DeviceBlackConversionInfo::HalftoneInfo{1.2};
    return info;
}

// The whole canvas bitmap the print makes, converted, seen as the canvas:
// (u, v) across and down.
QImage printedCanvas(const ambrel::OriginalImage& image, const PreviewGeometry& g,
                     const ambrel::BlackConversion& conversion) {
    const int W = int(g.canvas.width);
    const int H = int(g.canvas.height);
    std::vector<uchar> bytes(size_t(W) * size_t(H));
    QImage bitmap(bytes.data(), H, W, H, QImage::Format_Grayscale8);
    quenta::PrintPictureDrawing::fillAndDraw(
        bitmap, nullptr, 1, true, [&](platform::GraphicsContext& context) {
            quenta::PrintPictureDrawing::drawCopies(context, g.placement, image, g.options, H,
                                                    g.placement.copiesAcrossWithin(W),
                                                    g.placement.copiesDownWithin(H));
        });
    quenta::BlackConversionPass::apply(
        conversion, bytes.data(), ambrel::Size_px{H, W},
        quenta::PrintPictureDrawing::outputConfiguration(g.dpi, modelInfo()));
    QImage canvas(W, H, QImage::Format_Grayscale8);
    for (int v = 0; v < H; ++v) {
        for (int u = 0; u < W; ++u) {
            canvas.scanLine(v)[u] = bytes[size_t(W - 1 - u) * size_t(H) + size_t(H - 1 - v)];
        }
    }
    return canvas;
}

} // namespace

// At a pixel a dot, the tiles put together are the print's dots exactly,
// for every conversion and turn: the tiles draw, convert and screen the
// canvas where it lies on the print's bitmap.
TEST(PreviewTileRenderer, atAPixelADotTheTilesAreThePrintedDots) {
    const auto image = gradientWithLines();
    for (const auto& conversion : {ambrel::BlackConversion::threshold({0.5, 0}),
                                   ambrel::BlackConversion::threshold({0.5, 3}),
                                   ambrel::BlackConversion::halftone({10, 30, 0.1, 0, 0})}) {
        for (const ImageRotation turn :
             {ImageRotation::none, ImageRotation::r90, ImageRotation::r180, ImageRotation::r270}) {
            for (const bool mirrored : {false, true}) {
                SCOPED_TRACE(std::to_string(turn.rawValue()) + (mirrored ? " mirrored" : ""));
                const auto g = PreviewGeometry::make(placed(turn, mirrored), {200, 150}, dotPerMm);
                ASSERT_TRUE(g);
                const QImage printed = printedCanvas(*image, *g, conversion);
                const auto& p = g->placement;
                // Tiles of 25 points at scale 2 over a view of half a point a dot.
                const QSizeF view(p.width * 0.5, p.height * 0.5);
                int differing = 0;
                for (double fy = 0; fy < view.height(); fy += 25) {
                    for (double fx = 0; fx < view.width(); fx += 25) {
                        const PreviewTileRenderer::Request request{QRectF(fx, fy, 25, 25), view, 2};
                        const QImage tile = PreviewTileRenderer::render(*image, conversion,
                                                                        modelInfo(), *g, request);
                        ASSERT_EQ(tile.size(), QSize(50, 50));
                        for (int y = 0; y < 50; ++y) {
                            for (int x = 0; x < 50; ++x) {
                                const qint64 u = p.x + qint64(fx * 2) + x;
                                const qint64 v = p.y + qint64(fy * 2) + y;
                                const int shown = tile.constScanLine(y)[x];
                                const bool onPicture = u < p.x + p.width && v < p.y + p.height;
                                const int dot = onPicture ? printed.constScanLine(int(v))[u] : 255;
                                differing += (shown < 128) != (dot < 128);
                            }
                        }
                    }
                }
                EXPECT_EQ(differing, 0);
            }
        }
    }
}

// Coarser than the dots, a line of one dot is gray, never white, and every
// pixel is the share of white dots under it.
TEST(PreviewTileRenderer, aLineNarrowerThanAPixelShowsGray) {
    const auto image = gradientWithLines();
    const auto g = PreviewGeometry::make(placed(ImageRotation::none, false), {200, 150}, dotPerMm);
    ASSERT_TRUE(g);
    // Four dots a pixel: the view is 30 x 20 points.
    const PreviewTileRenderer::Request request{QRectF(0, 0, 250, 250), QSizeF(30, 20), 1};
    const QImage tile = PreviewTileRenderer::render(
        *image, ambrel::BlackConversion::threshold({0.5, 0}), std::nullopt, *g, request);
    ASSERT_EQ(tile.size(), QSize(250, 250));
    // Column 1 holds dots 4 to 7: the line at 7 and three light dots.
    for (int y = 0; y < 20; ++y) {
        if (y == 10) {
            continue; // the row of the line across
        }
        EXPECT_EQ(tile.constScanLine(y)[1], 191) << y;
    }
    // The line across at dot 40: row 10 is a quarter black where white.
    EXPECT_EQ(tile.constScanLine(10)[0], 191);
    // Beyond the picture the tile is white.
    EXPECT_EQ(tile.constScanLine(100)[100], 255);
    EXPECT_EQ(tile.constScanLine(5)[30], 255);
}

TEST(PreviewTileRenderer, tilesOffThePictureOrTooLargeAreWhiteAndNothingIsDrawn) {
    const auto image = gradientWithLines();
    const auto g = PreviewGeometry::make(placed(ImageRotation::none, false), {200, 150}, dotPerMm);
    ASSERT_TRUE(g);
    const auto conversion = ambrel::BlackConversion::threshold({0.5, 0});
    const PreviewTileRenderer::Request beyond{QRectF(250, 0, 250, 250), QSizeF(60, 40), 1};
    EXPECT_TRUE(PreviewTileRenderer::dotsShown(*g, beyond).isEmpty());
    EXPECT_TRUE(PreviewTileRenderer::draw(*image, *g, beyond).isNull());
    const QImage white = PreviewTileRenderer::render(*image, conversion, std::nullopt, *g, beyond);
    ASSERT_FALSE(white.isNull());
    EXPECT_EQ(white.pixelColor(10, 10), QColor(Qt::white));

    // A picture of far more dots than one tile may draw gets no dots, and
    // its tile stays white rather than taking the memory.
    auto huge = placed(ImageRotation::none, false);
    huge.imageSize_px = {2'000'000, 1'000'000};
    const auto big = PreviewGeometry::make(huge, {200, 150}, dotPerMm);
    ASSERT_TRUE(big);
    const PreviewTileRenderer::Request all{QRectF(0, 0, 250, 250), QSizeF(20, 10), 1};
    EXPECT_TRUE(PreviewTileRenderer::draw(*image, *big, all).isNull());
    EXPECT_FALSE(PreviewTileRenderer::render(*image, conversion, std::nullopt, *big, all).isNull());

    // No geometry for a picture the print refuses or a canvas of no dots.
    auto tiny = placed(ImageRotation::none, false);
    tiny.imageSize_px = {9, 9};
    EXPECT_FALSE(PreviewGeometry::make(tiny, {200, 150}, dotPerMm));
    EXPECT_FALSE(PreviewGeometry::make(huge, {0, 150}, dotPerMm));
    EXPECT_FALSE(PreviewGeometry::make(huge, {200, 150}, ambrel::Dpi(0)));
}

TEST(PreviewTileCache, keepsTheRecentDotsWithinItsBytes) {
    const auto image = gradientWithLines();
    const auto g = PreviewGeometry::make(placed(ImageRotation::none, false), {200, 150}, dotPerMm);
    ASSERT_TRUE(g);
    const auto request = [](double x) {
        return PreviewTileRenderer::Request{QRectF(x, 0, 25, 25), QSizeF(120, 80), 1};
    };
    const auto dots = PreviewTileRenderer::draw(*image, *g, request(0));
    ASSERT_FALSE(dots.isNull());
    PreviewTileCache cache(dots.bytes() * 2);
    cache.insert({image, *g, request(0)}, dots);
    cache.insert({image, *g, request(25)}, dots);
    EXPECT_TRUE(cache.find({image, *g, request(0)}));
    cache.insert({image, *g, request(50)}, dots);
    // The least recently used went.
    EXPECT_FALSE(cache.find({image, *g, request(25)}));
    EXPECT_TRUE(cache.find({image, *g, request(0)}));
    EXPECT_EQ(cache.bytes(), dots.bytes() * 2);
    auto moved = placed(ImageRotation::none, false);
    moved.imageOffset_mm = {14, 9};
    const auto other = PreviewGeometry::make(moved, {200, 150}, dotPerMm);
    ASSERT_TRUE(other);
    EXPECT_FALSE(g->sameDotsMovedEvenly(*other));
    moved.imageOffset_mm = {15, 7};
    EXPECT_TRUE(g->sameDotsMovedEvenly(*PreviewGeometry::make(moved, {200, 150}, dotPerMm)));
    cache.keepOnly(image, *other);
    EXPECT_EQ(cache.bytes(), 0);
}

namespace {

// A logo-like page: a filled curve, a half-gray triangle and a thin slanted
// line, so that any difference in edges or smoothing shows.
ambrel::OriginalImage::Pointer vectorLogo() {
    return ambrel::OriginalImage::fromData(
        testpictures::pdf({QRectF(0, 0, 160, 100), QRectF(5, 5, 150, 90), 0,
                           "0 0 0 rg 40 50 m 40 72 58 90 80 90 c 102 90 120 72 120 50 c 120 28 "
                           "102 10 80 10 c 58 10 40 28 40 50 c f 0.5 g 10 10 m 60 10 l 35 80 l h "
                           "f 0 G 0.3 w 8 92 m 150 12 l S"}),
        QUrl::fromLocalFile(QStringLiteral("/logo.pdf")));
}

bool sameDots(const PreviewTileRenderer::Dots& a, const PreviewTileRenderer::Dots& b) {
    if (a.isNull() || b.isNull()) {
        return a.isNull() == b.isNull();
    }
    if (a.row0 != b.row0 || a.column0 != b.column0 || a.gray.size() != b.gray.size()) {
        return false;
    }
    for (int y = 0; y < a.gray.height(); ++y) {
        if (std::memcmp(a.gray.constScanLine(y), b.gray.constScanLine(y), size_t(a.gray.width())) !=
            0) {
            return false;
        }
    }
    return true;
}

} // namespace

// The tiles of a vector page's view drawn together, the page rendered once
// for all of them in bands on the workers, have the dots each tile drawn on
// its own has: smoothed and unsmoothed, turned and mirrored, for tiles off
// the picture too. So does a photo, drawn tile by tile.
TEST(PreviewTileRenderer, tilesDrawnTogetherHaveTheDotsOfTilesDrawnAlone) {
    const auto logo = vectorLogo();
    ASSERT_TRUE(logo && logo->isVector());
    auto& pool = platform::compute::Device::systemDefault()->threadPool();
    for (const double threshold : {0.5, 0.6}) {
        for (const auto orientation : {ImageRotation::none, ImageRotation::r90}) {
            ambrel::OriginalImageDrawingOptions options;
            options.imageSize_px = {431, 277};
            options.imageOrientation = orientation;
            options.flipsImageHorizontal = orientation == ImageRotation::r90;
            options.imageOffset_mm = {3.3, 4.1};
            options.imageBitmapConversion = ambrel::BlackConversion::threshold({threshold, 0});
            const auto g = PreviewGeometry::make(options, {70, 50}, ambrel::Dpi(300));
            ASSERT_TRUE(g);
            // A view of about two pixels a dot, and one tile beyond it.
            const QSizeF view(g->placement.width * 1.9, g->placement.height * 1.9);
            std::vector<PreviewTileRenderer::Request> requests;
            for (const QRectF& frame : PreviewImageRules::tileFrames(view)) {
                requests.push_back({frame, view, 1});
            }
            requests.push_back({QRectF(view.width() + 50, 0, 40, 40), view, 1});
            ASSERT_GT(requests.size(), 3u);
            const auto together = PreviewTileRenderer::drawAll(*logo, *g, requests, {}, &pool);
            ASSERT_EQ(together.size(), requests.size());
            int inked = 0;
            for (std::size_t i = 0; i < requests.size(); ++i) {
                const auto alone = PreviewTileRenderer::draw(*logo, *g, requests[i]);
                EXPECT_TRUE(sameDots(alone, together[i])) << threshold << " tile " << i;
                if (!alone.isNull()) {
                    for (int y = 0; y < alone.gray.height(); ++y) {
                        const uchar* row = alone.gray.constScanLine(y);
                        inked += int(std::count(row, row + alone.gray.width(), uchar(0)));
                    }
                }
            }
            EXPECT_GT(inked, 1000);
            EXPECT_TRUE(together.back().isNull());
        }
    }
    const auto photo = gradientWithLines();
    const auto g = PreviewGeometry::make(placed(ImageRotation::r90, true), {200, 150}, dotPerMm);
    ASSERT_TRUE(g);
    std::vector<PreviewTileRenderer::Request> requests;
    for (const QRectF& frame : PreviewImageRules::tileFrames(QSizeF(60, 40))) {
        requests.push_back({frame, QSizeF(60, 40), 4});
    }
    const auto together = PreviewTileRenderer::drawAll(*photo, *g, requests, {}, &pool);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_TRUE(sameDots(PreviewTileRenderer::draw(*photo, *g, requests[i]), together[i])) << i;
    }
}
