#include "TavrinTestSupport.h"

#include "app/tavrin/TavrinBitmapRenderer.h"
#include "imaging/print/BlackConversionRows.h"
#include "model/columns/BlackWhiteColumnPacker.h"
#include "model/errors/ConnectionError.h"
#include "model/units/JsonReader.h"
#include "platform/Progress.h"
#include "platform/tests/support/TestPictures.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <limits>
#include <utility>
#include <vector>

#include <sys/resource.h>

using ambrel::ImageRotation;
using ambrel::ImageSource;
using ambrel::OffsetBase;
using ambrel::OriginalImage;
using lunvik::TavrinBitmapRenderer;
using tavrin_test::canvasView;
using tavrin_test::sameBytes;

namespace {

// At 25.4 dpi one millimetre is one pixel.
const TavrinBitmapRenderer::Device device{ambrel::Dpi(25.4), {}};

QImage solid(int width, int height, int gray) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(gray);
    return image;
}

OriginalImage::Pointer pictureOf(const QImage& image) {
    return OriginalImage::fromImage(image, {}, {}, 1);
}

// The black pixels of a canvas as a list of rows of '#' and '.'.
QRect blackBounds(const QImage& canvas, int* count = nullptr) {
    QRect bounds;
    int n = 0;
    for (int v = 0; v < canvas.height(); ++v) {
        for (int u = 0; u < canvas.width(); ++u) {
            if (canvas.constScanLine(v)[u] == 0) {
                bounds |= QRect(u, v, 1, 1);
                ++n;
            }
        }
    }
    if (count) {
        *count = n;
    }
    return bounds;
}

ambrel::OriginalImageDrawingOptions optionsFor(const QImage& image) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {image.width(), image.height()};
    return options;
}

TEST(TavrinBitmapRenderer, placesRepeatsOnTheTurnedCanvas) {
    const QImage picture = solid(50, 20, 0);
    auto options = optionsFor(picture);
    options.imageRepeatXCount = 2;
    options.imageRepeatXMargin_mm = 10;
    options.imageOffsetBase = OffsetBase::bottom;
    options.imageOffset_mm = {5, 3};
    const auto info = TavrinBitmapRenderer::render(
        device, {200, 100}, ImageSource::originalImage(pictureOf(picture), options), nullptr);
    EXPECT_EQ(info.location_px, 0);
    ASSERT_EQ(info.bitmap.size(), QSize(100, 200));
    EXPECT_EQ(info.bitmap.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(info.bitmap.bytesPerLine(), 100);
    const QImage canvas = canvasView(info.bitmap);
    int black = 0;
    EXPECT_EQ(blackBounds(canvas, &black), QRect(50, 77, 110, 20));
    EXPECT_EQ(black, 2 * 50 * 20);
    EXPECT_EQ(canvas.pixelColor(100, 80), QColor(Qt::white)); // the gap
}

TEST(TavrinBitmapRenderer, aPictureWithNoDotOnTheCanvasIsRefused) {
    // Far offsets (pixels that do not fit an int once wrapped onto the
    // canvas), one just past each edge, and repeats that all fall beside it.
    const QImage picture = solid(50, 20, 0);
    const auto refused = [&](const ambrel::OriginalImageDrawingOptions& options) {
        try {
            TavrinBitmapRenderer::render(device, {200, 100},
                                         ImageSource::originalImage(pictureOf(picture), options),
                                         nullptr);
        } catch (const ambrel::ConnectionError& e) {
            return e.errorCase() == ambrel::ConnectionError::Case::documentImageIsNotInCanvas;
        }
        return false;
    };
    for (const ambrel::Point_mm offset :
         {ambrel::Point_mm{4294967296.0 + 50, 3}, ambrel::Point_mm{1e300, 3},
          ambrel::Point_mm{-4294967296.0 + 50, 3}, ambrel::Point_mm{200, 3},
          ambrel::Point_mm{-50, 3}, ambrel::Point_mm{5, 100}, ambrel::Point_mm{5, -20}}) {
        auto options = optionsFor(picture);
        options.imageOffsetBase = OffsetBase::topLeft;
        options.imageOffset_mm = offset;
        EXPECT_TRUE(refused(options)) << offset.x << ", " << offset.y;
    }
    auto beside = optionsFor(picture);
    beside.imageOffsetBase = OffsetBase::topLeft;
    beside.imageOffset_mm = {-120, 3};
    beside.imageRepeatXCount = 2;
    beside.imageRepeatXMargin_mm = 300;
    EXPECT_TRUE(refused(beside));

    // One dot on the canvas is enough.
    for (const ambrel::Point_mm offset : {ambrel::Point_mm{199, 99}, ambrel::Point_mm{-49, -19}}) {
        auto options = optionsFor(picture);
        options.imageOffsetBase = OffsetBase::topLeft;
        options.imageOffset_mm = offset;
        const auto info = TavrinBitmapRenderer::render(
            device, {200, 100}, ImageSource::originalImage(pictureOf(picture), options), nullptr);
        int black = 0;
        blackBounds(canvasView(info.bitmap), &black);
        EXPECT_EQ(black, 1) << offset.x << ", " << offset.y;
    }
}

TEST(TavrinBitmapRenderer, hugeRepeatCountsDrawOnlyWhatFits) {
    const QImage picture = solid(50, 20, 0);
    auto options = optionsFor(picture);
    options.imageOffsetBase = OffsetBase::topLeft;
    options.imageOffset_mm = {5, 3};
    options.imageRepeatXCount = 1'000'000'000'000;
    options.imageRepeatXMargin_mm = 10;
    const auto info = TavrinBitmapRenderer::render(
        device, {200, 100}, ImageSource::originalImage(pictureOf(picture), options), nullptr);
    // Copies at 5, 65, 125 and 185; the last is cut by the edge.
    EXPECT_EQ(blackBounds(canvasView(info.bitmap)), QRect(5, 3, 195, 20));

    // A margin of minus the width puts every copy in one place: drawn once,
    // where drawing each used to keep the print busy for ever.
    options.imageRepeatXMargin_mm = -50;
    options.imageRepeatYCount = 1'000'000'000'000;
    options.imageRepeatYMargin_mm = -20;
    const auto stacked = TavrinBitmapRenderer::render(
        device, {200, 100}, ImageSource::originalImage(pictureOf(picture), options), nullptr);
    EXPECT_EQ(blackBounds(canvasView(stacked.bitmap)), QRect(5, 3, 50, 20));
}

TEST(TavrinBitmapRenderer, quarterTurnedPictureIsPlacedTurned) {
    // A 100 x 40 picture with a black mark in its top-left corner.
    QImage picture = solid(100, 40, 255);
    for (int y = 0; y < 10; ++y) {
        std::memset(picture.scanLine(y), 0, 10);
    }
    auto options = optionsFor(picture);
    options.imageOrientation = ImageRotation::r90;
    options.imageOffsetBase = OffsetBase::topLeft;
    options.imageOffset_mm = {7, 4};
    const auto info = TavrinBitmapRenderer::render(
        device, {120, 150}, ImageSource::originalImage(pictureOf(picture), options), nullptr);
    // Turned a quarter clockwise, 40 wide and 100 high: the mark moves to the
    // top-right corner.
    EXPECT_EQ(blackBounds(canvasView(info.bitmap)), QRect(7 + 30, 4, 10, 10));
}

TEST(TavrinBitmapRenderer, cancelledBeforeDrawingGivesABlankBitmap) {
    const QImage picture = solid(50, 20, 0);
    auto progress = std::make_shared<platform::Progress>();
    progress->cancel();
    const auto info = TavrinBitmapRenderer::render(
        device, {60, 30}, ImageSource::originalImage(pictureOf(picture), optionsFor(picture)),
        progress);
    ASSERT_EQ(info.bitmap.size(), QSize(30, 60));
    EXPECT_TRUE(blackBounds(canvasView(info.bitmap)).isEmpty());
}

TEST(TavrinBitmapRenderer, thresholdSplitsBetween127And128) {
    QImage picture = solid(20, 10, 255);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            picture.scanLine(y)[x] = x < 10 ? 127 : 128;
        }
    }
    auto options = optionsFor(picture);
    options.imageOffsetBase = OffsetBase::topLeft;
    const auto info = TavrinBitmapRenderer::render(
        device, {20, 10}, ImageSource::originalImage(pictureOf(picture), options), nullptr);
    EXPECT_EQ(blackBounds(canvasView(info.bitmap)), QRect(0, 0, 10, 10));
    {
        const QImage c = canvasView(info.bitmap);
        for (int v = 0; v < c.height(); ++v) {
            QString line;
            for (int u = 0; u < c.width(); ++u)
                line += c.constScanLine(v)[u] ? '.' : '#';
            qDebug("%s", qPrintable(line));
        }
    }
    for (int row = 0; row < info.bitmap.height(); ++row) {
        for (int column = 0; column < info.bitmap.width(); ++column) {
            const int gray = info.bitmap.constScanLine(row)[column];
            ASSERT_TRUE(gray == 0 || gray == 255) << gray;
        }
    }
}

TEST(TavrinBitmapRenderer, tooSmallPictureIsRefused) {
    const QImage picture = solid(9, 9, 0);
    try {
        TavrinBitmapRenderer::render(
            device, {60, 30}, ImageSource::originalImage(pictureOf(picture), optionsFor(picture)),
            nullptr);
        FAIL() << "rendered";
    } catch (const ambrel::ConnectionError& e) {
        EXPECT_EQ(e.errorCase(), ambrel::ConnectionError::Case::documentImageIsTooSmall);
    }
}

TEST(TavrinBitmapRenderer, canvasOfNoPixelsFailsThePrint) {
    // No resolution, a canvas of no width, one that is not a number, and one
    // thinner than a pixel: reported, never divided by, never drawn.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<TavrinBitmapRenderer::Device, ambrel::Size_mm> canvases[] = {
        {{ambrel::Dpi(0), {}}, {60, 30}},
        {device, {0, 30}},
        {device, {nan, 30}},
        {device, {60, 0.4}},
    };
    const QImage picture = solid(20, 20, 0);
    for (const auto& [printer, canvas] : canvases) {
        for (const ImageSource& source :
             {ImageSource::originalImage(pictureOf(picture), optionsFor(picture)),
              ImageSource::canvasSizedImage([picture] { return picture; })}) {
            try {
                TavrinBitmapRenderer::render(printer, canvas, source, nullptr);
                ADD_FAILURE() << "rendered " << canvas.width << " x " << canvas.height;
            } catch (const ambrel::ConnectionError& e) {
                EXPECT_EQ(e.errorCase(), ambrel::ConnectionError::Case::documentImageIsNotInCanvas);
            }
        }
    }
}

TEST(TavrinBitmapRenderer, missingPictureIsReportedNotDereferenced) {
    try {
        TavrinBitmapRenderer::render(
            device, {60, 30}, ImageSource::originalImage(nullptr, optionsFor(solid(20, 20, 0))),
            nullptr);
        FAIL() << "rendered";
    } catch (const ambrel::ConnectionError& e) {
        EXPECT_EQ(e.errorCase(), ambrel::ConnectionError::Case::noImageInDocument);
    }
}

TEST(TavrinBitmapRenderer, canvasSizedPictureIsTurnedAndNotConverted) {
    QImage picture = solid(30, 20, 255);
    picture.scanLine(7)[3] = 0;
    picture.scanLine(19)[29] = 128;
    const auto info = TavrinBitmapRenderer::render(
        device, {30, 20}, ImageSource::canvasSizedImage([picture] { return picture; }), nullptr);
    const QImage canvas = canvasView(info.bitmap);
    EXPECT_EQ(canvas.constScanLine(7)[3], 0);
    EXPECT_EQ(canvas.constScanLine(19)[29], 128);
    int black = 0;
    blackBounds(canvas, &black);
    EXPECT_EQ(black, 1);
}

// Gradients and shapes, so that any resampling difference shows.
QImage photograph(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.scanLine(y)[x] = uchar((x * 7 + y * 3 + (x * y) % 13) % 256);
        }
    }
    return image;
}

TEST(TavrinBitmapRenderer, drawingInBandsGivesThePixelsOfOneDrawing) {
    const QImage picture = photograph(97, 61);
    for (const auto orientation : {ImageRotation::none, ImageRotation::r90, ImageRotation::r180}) {
        for (const bool mirror : {false, true}) {
            auto options = optionsFor(picture);
            // Scaled by a factor that is not whole, repeated, cut by the edges.
            options.imageSize_px = {151, 89};
            options.imageOrientation = orientation;
            options.flipsImageHorizontal = mirror;
            options.imageRepeatXCount = 3;
            options.imageRepeatYCount = 2;
            options.imageRepeatXMargin_mm = 7;
            options.imageOffset_mm = {-13, 9};
            options.imageBitmapConversion = ambrel::BlackConversion::halftone();
            const auto source = ImageSource::originalImage(pictureOf(picture), options);
            const auto whole = TavrinBitmapRenderer::render(device, {410, 230}, source, nullptr, 1);
            for (const int bands : {2, 7, 230}) {
                const auto banded =
                    TavrinBitmapRenderer::render(device, {410, 230}, source, nullptr, bands);
                EXPECT_TRUE(sameBytes(whole.bitmap, banded.bitmap))
                    << orientation.rawValue() << " " << mirror << " " << bands;
            }
        }
    }
    // Unconverted: the gray of the scaled picture itself.
    const auto source = ImageSource::canvasSizedImage([picture] { return picture; });
    const auto whole = TavrinBitmapRenderer::render(device, {130, 70}, source, nullptr, 1);
    EXPECT_TRUE(sameBytes(
        whole.bitmap, TavrinBitmapRenderer::render(device, {130, 70}, source, nullptr, 9).bitmap));
}

TEST(TavrinBitmapRendererDeathTest, rawImageDataIsNotSupported) {
    EXPECT_DEATH(TavrinBitmapRenderer::render(device, {30, 20}, ImageSource::rawImageData([] {
                                                  return ImageSource::RawImageData{};
                                              }),
                                              nullptr),
                 "Sending raw image data is not supported.");
}

} // namespace

// A print leaves the conversion to the packing of its columns: the gray
// bitmap, packed with its pending conversion, gives the columns of the
// bitmap converted in place. A canvas-sized picture has nothing to convert.
TEST(TavrinBitmapRenderer, aGrayBitmapPacksToTheColumnsOfTheConvertedOne) {
    using Option = ambrel::BlackWhiteColumnsSendingOption;
    const ambrel::BlackWhiteColumnsSendingOptions print =
        Option::reverseRows | Option::reverseRowBits | Option::reverseColumns;
    const auto columnsOf = [&](const ambrel::BlackWhiteColumnPacker& packer) {
        std::vector<std::uint8_t> out(std::size_t(packer.width() * packer.bytesPerColumn()));
        packer.packAllOutputColumns(out.data(), nullptr);
        return out;
    };
    const QImage picture = photograph(170, 90);
    for (const auto& conversion :
         {ambrel::BlackConversion::threshold({0.4, 0}), ambrel::BlackConversion::halftone()}) {
        auto options = optionsFor(picture);
        options.imageBitmapConversion = conversion;
        const auto source = ImageSource::originalImage(pictureOf(picture), options);
        const auto converted = TavrinBitmapRenderer::render(device, {210, 130}, source, nullptr);
        const auto gray = TavrinBitmapRenderer::renderGray(device, {210, 130}, source, nullptr);
        ASSERT_FALSE(converted.pendingConversion);
        ASSERT_TRUE(gray.pendingConversion);
        EXPECT_FALSE(sameBytes(gray.bitmap, converted.bitmap));
        const ambrel::Size_px size{gray.bitmap.width(), gray.bitmap.height()};
        EXPECT_EQ(columnsOf(quenta::BlackConversionRows::packer(
                      gray.pendingConversion->conversion, gray.bitmap.constBits(), size,
                      gray.pendingConversion->configuration, 216, print)),
                  columnsOf(ambrel::BlackWhiteColumnPacker(converted.bitmap.constBits(), size, 216,
                                                           print)));
    }
    const auto canvasSized = TavrinBitmapRenderer::renderGray(
        device, {30, 20}, ImageSource::canvasSizedImage([picture] { return picture; }), nullptr);
    EXPECT_FALSE(canvasSized.pendingConversion);
}

namespace {

// A logo-like page: a filled curve, a triangle, a thin slanted line and
// gray, so that any difference in edges or antialiasing shows.
QByteArray logoPage() {
    return testpictures::pdf(
        {QRectF(0, 0, 160, 100), QRectF(5, 5, 150, 90), 0,
         "0 0 0 rg 40 50 m 40 72 58 90 80 90 c 102 90 120 72 120 50 c 120 28 102 10 80 10 c "
         "58 10 40 28 40 50 c f 0.5 g 10 10 m 60 10 l 35 80 l h f 0 G 0.3 w 8 92 m 150 12 l S "
         "1 g 70 40 20 20 re f"});
}

} // namespace

// A vector page rendered band by band, each band only the part of the page
// its rows show, gives the page rendered in one piece, pixel for pixel,
// turned, mirrored, repeated and cut by the edges: smoothed for any
// conversion but a threshold at the middle gray, unsmoothed for that.
TEST(TavrinBitmapRenderer, aVectorPageInBandsGivesThePixelsOfOneRendering) {
    const auto page = OriginalImage::fromData(logoPage(), QUrl::fromLocalFile("/p/logo.pdf"));
    ASSERT_TRUE(page && page->isVector());
    const TavrinBitmapRenderer::Device printer{ambrel::Dpi(300), {}};
    for (const double threshold : {0.6, 0.5}) {
        for (const auto orientation :
             {ImageRotation::none, ImageRotation::r90, ImageRotation::r270}) {
            for (const bool mirror : {false, true}) {
                ambrel::OriginalImageDrawingOptions options;
                options.imageSize_px = {431, 277};
                options.imageOrientation = orientation;
                options.flipsImageHorizontal = mirror;
                options.imageRepeatXCount = 2;
                options.imageRepeatXMargin_mm = 3.3;
                options.imageOffset_mm = {-7.7, 4.1};
                options.imageBitmapConversion = ambrel::BlackConversion::threshold({threshold, 0});
                const auto source = ImageSource::originalImage(page, options);
                const auto whole =
                    TavrinBitmapRenderer::renderGray(printer, {90, 60}, source, nullptr, 1);
                // Grays other than the page's own half gray come from
                // smoothed edges.
                int edgeGrays = 0;
                int black = 0;
                for (int y = 0; y < whole.bitmap.height(); ++y) {
                    const uchar* row = whole.bitmap.constScanLine(y);
                    edgeGrays += int(std::count_if(row, row + whole.bitmap.width(), [](uchar v) {
                        return v > 0 && v < 255 && v != 127 && v != 128;
                    }));
                    black += int(std::count(row, row + whole.bitmap.width(), uchar(0)));
                }
                EXPECT_GT(black, 1000);
                if (threshold == 0.5) {
                    EXPECT_EQ(edgeGrays, 0) << "rendered unsmoothed";
                } else {
                    EXPECT_GT(edgeGrays, 100) << "the page's edges are smoothed";
                }
                for (const int bands : {2, 7, 64}) {
                    const auto banded =
                        TavrinBitmapRenderer::renderGray(printer, {90, 60}, source, nullptr, bands);
                    EXPECT_TRUE(sameBytes(whole.bitmap, banded.bitmap))
                        << threshold << " " << orientation.rawValue() << " " << mirror << " "
                        << bands;
                }
            }
        }
    }
}

// A print converts a vector page band by band, each band as soon as it is
// drawn: the bytes are those of the page drawn whole and converted in one
// pass, for thresholds at and off the middle gray, black widened and
// thinned, and the halftone screen, with band edges that cut through the
// page's shapes. A threshold alone, and a picture drawn once for the whole
// bitmap, still leave their conversion to the packing.
TEST(TavrinBitmapRenderer, aVectorPageConvertedBandByBandGivesTheBytesOfOnePass) {
    const auto page = OriginalImage::fromData(logoPage(), QUrl::fromLocalFile("/p/logo.pdf"));
    ASSERT_TRUE(page && page->isVector());
    const TavrinBitmapRenderer::Device printer{
        ambrel::Dpi(300), ambrel::DeviceAdditionalInfoDictionary::decode(ambrel::JsonReader::parse(
                              R"({"BlackConversion": {"threshold": {"isExpansionAvailable": true},
                                    "halftone": {"deviceGamma": 1.2}}})"))};
    const ambrel::Size_mm canvas{90, 60};
    for (const auto& conversion :
         {ambrel::BlackConversion::threshold({0.5, 0}),
          ambrel::BlackConversion::threshold({0.6, 0}),
          ambrel::BlackConversion::threshold({0.5, 2}),
          ambrel::BlackConversion::threshold({0.4, -3}), ambrel::BlackConversion::halftone()}) {
        for (const auto orientation : {ImageRotation::none, ImageRotation::r90}) {
            ambrel::OriginalImageDrawingOptions options;
            options.imageSize_px = {431, 277};
            options.imageOrientation = orientation;
            options.flipsImageHorizontal = orientation == ImageRotation::r90;
            options.imageRepeatXCount = 2;
            options.imageRepeatXMargin_mm = 3.3;
            options.imageOffset_mm = {-7.7, 4.1};
            options.imageBitmapConversion = conversion;
            const auto source = ImageSource::originalImage(page, options);
            // Drawn whole, then converted in one pass.
            auto whole = TavrinBitmapRenderer::renderGray(printer, canvas, source, nullptr, 1);
            ASSERT_TRUE(whole.pendingConversion);
            quenta::BlackConversionPass::apply(whole.pendingConversion->conversion,
                                               whole.bitmap.bits(),
                                               {whole.bitmap.width(), whole.bitmap.height()},
                                               whole.pendingConversion->configuration);
            // Band edges of the seven bands that cross black: shapes cut in two.
            int cut = 0;
            const int rows = whole.bitmap.height();
            for (int b = 1; b < 7; ++b) {
                const int edge = rows * b / 7;
                for (int x = 0; x < whole.bitmap.width(); ++x) {
                    cut += whole.bitmap.constScanLine(edge - 1)[x] == 0 &&
                           whole.bitmap.constScanLine(edge)[x] == 0;
                }
            }
            EXPECT_GT(cut, 20);
            for (const int bands : {1, 7, 64}) {
                auto printed =
                    TavrinBitmapRenderer::renderForPrint(printer, canvas, source, nullptr, bands);
                // A threshold alone is left to the packing's comparison.
                const bool thresholdAlone = conversion.thresholdOption() &&
                                            conversion.thresholdOption()->expansionLevel == 0;
                EXPECT_EQ(bool(printed.pendingConversion), thresholdAlone);
                if (printed.pendingConversion) {
                    quenta::BlackConversionPass::apply(
                        printed.pendingConversion->conversion, printed.bitmap.bits(),
                        {printed.bitmap.width(), printed.bitmap.height()},
                        printed.pendingConversion->configuration);
                }
                EXPECT_TRUE(sameBytes(whole.bitmap, printed.bitmap))
                    << orientation.rawValue() << " " << bands;
                EXPECT_TRUE(sameBytes(
                    whole.bitmap,
                    TavrinBitmapRenderer::render(printer, canvas, source, nullptr, bands).bitmap))
                    << orientation.rawValue() << " " << bands;
            }
        }
    }
    const QImage picture = photograph(170, 90);
    const auto raster = TavrinBitmapRenderer::renderForPrint(
        printer, canvas, ImageSource::originalImage(pictureOf(picture), optionsFor(picture)),
        nullptr);
    EXPECT_TRUE(raster.pendingConversion);
}

// Rendered unsmoothed for a threshold at the middle gray, a vector page
// prints as its smoothed rendering cut at that gray would, but for pixels
// along its edges: every pixel that differs touches a pixel of the other
// colour in the smoothed print, and they are few.
TEST(TavrinBitmapRenderer, anUnsmoothedVectorPageDiffersFromTheSmoothedOneOnlyAlongEdges) {
    const auto page = OriginalImage::fromData(logoPage(), QUrl::fromLocalFile("/p/logo.pdf"));
    ASSERT_TRUE(page);
    const TavrinBitmapRenderer::Device printer{ambrel::Dpi(600), {}};
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = page->size_px(printer.dpi);
    options.imageOffset_mm = {3.1, -2.3};
    options.imageBitmapConversion = ambrel::BlackConversion::threshold({0.5, 0});
    const QImage unsmoothed =
        TavrinBitmapRenderer::render(printer, {70, 45}, ImageSource::originalImage(page, options),
                                     nullptr)
            .bitmap;
    // Just above the middle: the smoothed rendering, cut where it was before.
    options.imageBitmapConversion = ambrel::BlackConversion::threshold({0.5000001, 0});
    const QImage smoothed =
        TavrinBitmapRenderer::render(printer, {70, 45}, ImageSource::originalImage(page, options),
                                     nullptr)
            .bitmap;
    ASSERT_EQ(unsmoothed.size(), smoothed.size());
    int differing = 0;
    int black = 0;
    int inside = 0;
    for (int y = 0; y < smoothed.height(); ++y) {
        for (int x = 0; x < smoothed.width(); ++x) {
            const uchar v = smoothed.constScanLine(y)[x];
            black += v == 0;
            if (unsmoothed.constScanLine(y)[x] == v) {
                continue;
            }
            ++differing;
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy) {
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    edge = nx >= 0 && ny >= 0 && nx < smoothed.width() && ny < smoothed.height() &&
                           smoothed.constScanLine(ny)[nx] != v;
                }
            }
            inside += !edge;
        }
    }
    EXPECT_GT(black, 10000);
    EXPECT_EQ(inside, 0);
    EXPECT_LT(differing, black / 10);
    std::cout << differing << " of " << black << " black pixels differ\n";
}

// A print bitmap the memory cannot hold fails the print with the error a
// send without memory gives; the program goes on.
TEST(TavrinBitmapRenderer, aBitmapTheMemoryCannotHoldFailsThePrint) {
#ifdef LUNVIK_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    const QImage picture = solid(50, 20, 0);
    QFile status(QStringLiteral("/proc/self/status"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    qint64 inUse = -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:")) {
            inUse = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    ASSERT_GT(inUse, 0);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    rlimit capped = old;
    capped.rlim_cur = rlim_t(inUse + 64 * 1024 * 1024);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    QString failure;
    try {
        // 20 x 20 m at one pixel per millimetre: 400 MB of bitmap.
        TavrinBitmapRenderer::render(
            device, {20000, 20000},
            ImageSource::originalImage(pictureOf(picture), optionsFor(picture)), nullptr);
    } catch (const platform::Error& e) {
        failure = e.localizedDescription();
    }
    setrlimit(RLIMIT_AS, &old);
    EXPECT_TRUE(failure.contains(QStringLiteral("cannot allocate memory")))
        << failure.toStdString();
}
