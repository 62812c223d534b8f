#include "PreviewAgainstJob.h"

#include "app/tavrin/TavrinBitmapRenderer.h"
#include "app/tests/TavrinTestSupport.h"
#include "core/canvas/preview/PreviewGeometry.h"
#include "core/canvas/preview/PreviewImageRules.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "model/pictures/ImageSource.h"
#include "model/pictures/OriginalImage.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// The canvas's preview against the print itself (PreviewAgainstJob), on
// pictures as users bring them.
namespace {

using kestrom::PreviewGeometry;
using kestrom::PreviewImageRules;
using kestrom::PreviewTileRenderer;

// A logo of one-pixel lines, one- and two-pixel circles and a four-pixel
// frame, as a PNG file's bytes.
QByteArray lineArtPng() {
    QImage image(900, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(40, 100, 860, 130);
        p.drawLine(450, 20, 470, 580);
        p.drawEllipse(QPoint(250, 350), 120, 120);
        p.setPen(QPen(Qt::black, 2));
        p.drawEllipse(QPoint(650, 350), 90, 140);
        p.setPen(QPen(Qt::black, 4));
        p.drawRect(QRect(2, 2, 895, 595));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// A vector logo: 31 hairlines of 0.3 points and a frame, one PDF page.
QByteArray hairlinesPdf() {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(200, 120), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    p.setPen(QPen(Qt::black, 0.3));
    for (int i = 0; i < 31; ++i) {
        p.drawLine(QPointF(10 + i * 5.9, 12), QPointF(14 + i * 5.9, 108));
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRectF(2, 2, 196, 116));
    p.end();
    return pdf;
}

// A colour photo: smooth colour fields, soft shapes and grain, as a JPEG.
QByteArray colourPhotoJpeg() {
    QImage image(1200, 800, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double dx = (x - 500.0) / 300.0;
            const double dy = (y - 380.0) / 220.0;
            const double blob = std::exp(-(dx * dx + dy * dy));
            const int grain = int(random.bounded(21)) - 10;
            const int r = std::clamp(int(255 * x / 1200.0 * (1 - blob)) + grain, 0, 255);
            const int g = std::clamp(int(200 * (1 - y / 800.0)) + grain, 0, 255);
            const int b = std::clamp(int(255 * blob) + grain, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return jpeg;
}

struct Picture {
    const char* name;
    ambrel::OriginalImage::Pointer image;
};

struct Case {
    const char* name;
    ambrel::BlackConversion conversion;
};

// The whole picture view at a size and scale, tile by tile as the canvas
// makes it.
QImage previewOf(const ambrel::OriginalImage& image, const ambrel::BlackConversion& conversion,
                 const std::optional<quenta::DeviceBlackConversionInfo>& info,
                 const PreviewGeometry& geometry, const QSizeF& viewSize, double scale) {
    const QSize pixels(int(std::ceil(viewSize.width() * scale)),
                       int(std::ceil(viewSize.height() * scale)));
    QImage view(pixels, QImage::Format_Grayscale8);
    view.fill(255);
    QPainter painter(&view);
    for (const QRectF& frame : PreviewImageRules::tileFrames(viewSize)) {
        const QImage tile = PreviewTileRenderer::render(image, conversion, info, geometry,
                                                        {frame, viewSize, scale});
        EXPECT_FALSE(tile.isNull());
        painter.drawImage(QPointF(frame.left() * scale, frame.top() * scale), tile);
    }
    return view;
}

} // namespace

TEST(PreviewMatchesPrint, onLineArtHairlinesAndAPhotoInEveryConversionScaleAndTurn) {
    const auto model = tavrin_test::pluginModel(QStringLiteral("Tavrin a4"));
    ASSERT_TRUE(model);
    std::shared_ptr<const ambrel::Canvas> canvas;
    for (const auto& c : model->canvases()) {
        if (c->identifier() == QStringLiteral("Postcard")) {
            canvas = c;
        }
    }
    ASSERT_TRUE(canvas);
    const lunvik::TavrinBitmapRenderer::Device device{model->dpi(), model->additionalInfos()};
    const auto info = model->additionalInfos().valueOrDefault<quenta::DeviceBlackConversionInfo>();
    ASSERT_TRUE(info.threshold && info.threshold->isExpansionAvailable.value_or(false));

    const QUrl nowhere = QUrl::fromLocalFile(QStringLiteral("/nowhere/picture"));
    const Picture pictures[] = {
        {"line art", ambrel::OriginalImage::fromData(lineArtPng(), nowhere)},
        {"hairlines", ambrel::OriginalImage::fromData(hairlinesPdf(), nowhere)},
        {"photo", ambrel::OriginalImage::fromData(colourPhotoJpeg(), nowhere)},
    };
    const Case cases[] = {
        {"threshold", ambrel::BlackConversion::threshold({0.5, 0})},
        {"halftone", ambrel::BlackConversion::halftone({})},
        {"widened", ambrel::BlackConversion::threshold({0.5, 3})},
    };
    struct Turn {
        ambrel::ImageRotation orientation;
        bool mirrored;
    };
    const Turn turns[] = {{ambrel::ImageRotation::r90, true}, {ambrel::ImageRotation::r270, true}};
    // Points of the view per dot of the picture and the screen's scale: a
    // small window (8 dots a pixel), the default one (4) and a maximised one
    // on a screen of scale 2 (a pixel a dot).
    const std::pair<double, double> views[] = {{0.125, 1}, {0.25, 1}, {0.5, 2}};

    for (const Picture& picture : pictures) {
        ASSERT_TRUE(picture.image) << picture.name;
        for (const Case& c : cases) {
            for (const Turn& turn : turns) {
                SCOPED_TRACE(std::string(picture.name) + ", " + c.name + ", turn " +
                             std::to_string(turn.orientation.rawValue()));
                ambrel::OriginalImageDrawingOptions options;
                options.imageBitmapConversion = c.conversion;
                options.imageOrientation = turn.orientation;
                options.flipsImageHorizontal = turn.mirrored;
                // About 80 mm along its longer side, a little off the centre.
                const double along = 80.0 / 25.4 * model->dpi().rawValue();
                const double ratio = picture.image->widthPerHeight();
                options.imageSize_px = ratio >= 1
                                           ? ambrel::Size_px{qint64(along), qint64(along / ratio)}
                                           : ambrel::Size_px{qint64(along * ratio), qint64(along)};
                options.imageOffset_mm = {3.3, -7.1};
                const auto printed = lunvik::TavrinBitmapRenderer::render(
                    device, canvas->size_mm(),
                    ambrel::ImageSource::originalImage(picture.image, options), nullptr);
                const auto geometry =
                    PreviewGeometry::make(options, canvas->size_mm(), model->dpi());
                ASSERT_TRUE(geometry);
                const PreviewAgainstJob::Job job{printed.bitmap, geometry->canvas.width,
                                                 geometry->canvas.height};
                ASSERT_EQ(job.bitmap.height(), job.W);
                ASSERT_EQ(job.bitmap.width(), job.H);
                for (const auto& [pointsPerDot, scale] : views) {
                    const QSizeF viewSize(double(geometry->placement.width) * pointsPerDot,
                                          double(geometry->placement.height) * pointsPerDot);
                    const QImage view =
                        previewOf(*picture.image, c.conversion, info, *geometry, viewSize, scale);
                    const std::string faults =
                        PreviewAgainstJob::compare(view, job, *geometry, viewSize, scale);
                    EXPECT_TRUE(faults.empty())
                        << pointsPerDot << " points a dot at " << scale << "x: " << faults;
                }
                // The inspector's small picture, at most 396 x 196.
                const QSize small =
                    QSize(int(geometry->placement.width), int(geometry->placement.height))
                        .scaled(396, 196, Qt::KeepAspectRatio);
                const QImage thumbnail = PreviewTileRenderer::renderWhole(
                    *picture.image, c.conversion, info, *geometry, small);
                ASSERT_EQ(thumbnail.size(), small);
                const std::string faults =
                    PreviewAgainstJob::compare(thumbnail, job, *geometry, QSizeF(small), 1);
                EXPECT_TRUE(faults.empty()) << "inspector: " << faults;
            }
        }
    }
}
