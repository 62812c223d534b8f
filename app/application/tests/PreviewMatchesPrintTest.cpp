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

// The canvas's preview against the print itself, on pictures as users bring
// them: for every dot the job prints black, the preview pixel over it is not
// white, and every 8 x 8 block of preview pixels is as light as the dots the
// job has under it, within 3 %.
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

// The job as the canvas sees it: dot (u, v) of the canvas, black or white.
struct Job {
    QImage bitmap;
    qint64 W = 0;
    qint64 H = 0;
    bool black(qint64 u, qint64 v) const {
        return bitmap.constScanLine(int(W - 1 - u))[H - 1 - v] < 128;
    }
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

// Checks the preview against the job; gives a description of the first
// faults, empty when it agrees.
std::string compare(const QImage& view, const Job& job, const PreviewGeometry& geometry,
                    const QSizeF& viewSize, double scale) {
    const auto& p = geometry.placement;
    const double pixelsPerDotX = viewSize.width() * scale / double(p.width);
    const double pixelsPerDotY = viewSize.height() * scale / double(p.height);
    std::string faults;
    int lost = 0;
    qint64 printedBlack = 0;
    for (qint64 v = std::max<qint64>(0, p.y); v < std::min(job.H, p.y + p.height); ++v) {
        for (qint64 u = std::max<qint64>(0, p.x); u < std::min(job.W, p.x + p.width); ++u) {
            if (!job.black(u, v)) {
                continue;
            }
            ++printedBlack;
            const int px = int((double(u - p.x) + 0.5) * pixelsPerDotX);
            const int py = int((double(v - p.y) + 0.5) * pixelsPerDotY);
            if (view.constScanLine(py)[px] == 255 && ++lost <= 3) {
                faults += "black dot " + std::to_string(u) + "," + std::to_string(v) +
                          " shows white at " + std::to_string(px) + "," + std::to_string(py) + "; ";
            }
        }
    }
    if (lost > 0) {
        faults += std::to_string(lost) + " of " + std::to_string(printedBlack) + " lost; ";
    }
    // Blocks of 8 x 8 pixels wholly on the picture and on the canvas.
    int off = 0;
    for (int by = 0; by + 8 <= int(viewSize.height() * scale); by += 8) {
        for (int bx = 0; bx + 8 <= int(viewSize.width() * scale); bx += 8) {
            const double u0 = double(p.x) + bx / pixelsPerDotX;
            const double u1 = double(p.x) + (bx + 8) / pixelsPerDotX;
            const double v0 = double(p.y) + by / pixelsPerDotY;
            const double v1 = double(p.y) + (by + 8) / pixelsPerDotY;
            if (u0 < 0 || v0 < 0 || u1 > double(job.W) || v1 > double(job.H)) {
                continue;
            }
            double white = 0;
            for (qint64 v = qint64(std::floor(v0)); v < qint64(std::ceil(v1)); ++v) {
                const double hv = std::min(v1, double(v + 1)) - std::max(v0, double(v));
                for (qint64 u = qint64(std::floor(u0)); u < qint64(std::ceil(u1)); ++u) {
                    const double wu = std::min(u1, double(u + 1)) - std::max(u0, double(u));
                    white += job.black(u, v) ? 0 : wu * hv;
                }
            }
            const double printed = white / ((u1 - u0) * (v1 - v0));
            double shown = 0;
            for (int y = by; y < by + 8; ++y) {
                for (int x = bx; x < bx + 8; ++x) {
                    shown += view.constScanLine(y)[x];
                }
            }
            shown /= 64.0 * 255.0;
            if (std::abs(shown - printed) > 0.03 && ++off <= 3) {
                faults += "block " + std::to_string(bx) + "," + std::to_string(by) + " shows " +
                          std::to_string(shown) + " for " + std::to_string(printed) + "; ";
            }
        }
    }
    if (off > 0) {
        faults += std::to_string(off) + " blocks off; ";
    }
    return faults;
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
                const Job job{printed.bitmap, geometry->canvas.width, geometry->canvas.height};
                ASSERT_EQ(job.bitmap.height(), job.W);
                ASSERT_EQ(job.bitmap.width(), job.H);
                for (const auto& [pointsPerDot, scale] : views) {
                    const QSizeF viewSize(double(geometry->placement.width) * pointsPerDot,
                                          double(geometry->placement.height) * pointsPerDot);
                    const QImage view =
                        previewOf(*picture.image, c.conversion, info, *geometry, viewSize, scale);
                    const std::string faults = compare(view, job, *geometry, viewSize, scale);
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
                const std::string faults = compare(thumbnail, job, *geometry, QSizeF(small), 1);
                EXPECT_TRUE(faults.empty()) << "inspector: " << faults;
            }
        }
    }
}
