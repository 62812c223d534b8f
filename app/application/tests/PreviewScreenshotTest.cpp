#include "PreviewWindow.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/window/DocumentWindow.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// The canvas of a document window beside the job its print makes, for line
// art and for a photo screened as a halftone. With LUNVIK_SCREENSHOT_DIR set,
// each pair is written there for review ("preview-<name>.png": the canvas's
// picture on the left, the job's dots reduced to the same size on the right,
// and below both a part of each at the screen's pixels).
namespace {

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage lineArt() {
    QImage image(1200, 800, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < 12; ++i) {
        p.drawLine(60 + i * 90, 40, 100 + i * 90, 760);
    }
    p.drawEllipse(QPoint(400, 400), 200, 200);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QPoint(850, 400), 150, 250);
    p.setPen(QPen(Qt::black, 4));
    p.drawRect(QRect(2, 2, 1195, 795));
    return image;
}

QImage photo() {
    QImage image(1500, 1000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double dx = (x - 700.0) / 380.0;
            const double dy = (y - 480.0) / 300.0;
            const double blob = std::exp(-(dx * dx + dy * dy));
            line[x] = qRgb(int(230 * x / 1500.0 * (1 - blob)), int(210 * (1 - y / 1000.0)),
                           int(255 * blob));
        }
    }
    return image;
}

// The job seen as the canvas: dot (u, v) across and down.
QImage jobAsCanvas(const QImage& bitmap) {
    const int W = bitmap.height();
    const int H = bitmap.width();
    QImage canvas(W, H, QImage::Format_Grayscale8);
    for (int v = 0; v < H; ++v) {
        uchar* line = canvas.scanLine(v);
        for (int u = 0; u < W; ++u) {
            line[u] = bitmap.constScanLine(W - 1 - u)[H - 1 - v];
        }
    }
    return canvas;
}

} // namespace

TEST(PreviewScreenshot, theCanvasBesideTheJobForLineArtAndAHalftonePhoto) {
    PreviewWindow preview;
    auto* document = preview.document();
    ASSERT_TRUE(document);
    auto* window = preview.window();
    auto& job = document->job();
    ASSERT_TRUE(job.deviceDescriptor());

    struct Shot {
        const char* name;
        QImage picture;
        bool halftone;
    };
    for (const Shot& shot :
         {Shot{"line-art", lineArt(), false}, Shot{"halftone-photo", photo(), true}}) {
        SCOPED_TRACE(shot.name);
        job.setOriginalImage(ambrel::OriginalImage::fromData(
            png(shot.picture), QUrl::fromLocalFile(preview.filePath(QStringLiteral("p.png")))));
        job.setBlackConversionType(shot.halftone ? ambrel::BlackConversionType::halftone
                                                 : ambrel::BlackConversionType::threshold);
        job.setImageSizeWithWidthForDisplay_mm(150);
        auto* canvas = window->gridView();
        auto* view = canvas->imageView();
        // Not selected, so that the picture is not dimmed.
        canvas->imageSelectionView()->setSelected(false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return preview.showsPrintedTiles(); }, 30000))
            << view->hasPendingDrawing() << view->showsPrintedDots() << view->tileViews().size()
            << bool(view->printGeometry()) << job.originalImage()->isFullyDecoded();
        // The picture done fading in from its selection.
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->effectiveAlphaValue() == 1.0; }, 5000))
            << view->effectiveAlphaValue();
        const double scale = 1;
        const QImage shown = canvas->renderImage(scale);
        // The picture's part of the canvas, in the rendered image's pixels.
        const QRectF frame =
            canvas->mapFromScene(view->mapRectToScene(view->bounds())).boundingRect();
        const QRect pictureRect = QRectF(frame.topLeft() * scale, frame.size() * scale)
                                      .toAlignedRect()
                                      .intersected(shown.rect());
        ASSERT_FALSE(pictureRect.isEmpty());
        const QImage canvasPicture = shown.copy(pictureRect);

        const QImage dots = jobAsCanvas(preview.printedBitmap());
        const auto geometry = view->printGeometry();
        ASSERT_TRUE(geometry);
        const auto& p = geometry->placement;
        const QImage jobPicture = dots.copy(int(p.x), int(p.y), int(p.width), int(p.height));
        const QImage reduced = jobPicture.scaled(canvasPicture.size(), Qt::IgnoreAspectRatio,
                                                 Qt::SmoothTransformation);
        // Their tones agree: the mean gray within a few levels.
        const auto mean = [](const QImage& image) {
            const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
            double sum = 0;
            for (int y = 0; y < gray.height(); ++y) {
                for (int x = 0; x < gray.width(); ++x) {
                    sum += gray.constScanLine(y)[x];
                }
            }
            return sum / (double(gray.width()) * gray.height());
        };
        EXPECT_NEAR(mean(canvasPicture), mean(reduced), 6);

        const QString dir = qEnvironmentVariable("LUNVIK_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            // Below: 300 x 200 dots of the job at one dot a pixel, beside the
            // canvas's pixels over the same part scaled up to match.
            const QRect detailDots(int(p.width / 3), int(p.height / 3), 300, 200);
            const QImage jobDetail = jobPicture.copy(detailDots);
            const double pixelsPerDot = canvasPicture.width() / double(p.width);
            const QImage canvasDetail =
                canvasPicture
                    .copy(QRectF(detailDots.topLeft() * pixelsPerDot,
                                 QSizeF(detailDots.size()) * pixelsPerDot)
                              .toAlignedRect())
                    .scaled(jobDetail.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
            QImage pair(canvasPicture.width() * 2 + 10,
                        canvasPicture.height() + 10 + jobDetail.height(), QImage::Format_RGB32);
            pair.fill(QColor(200, 60, 60));
            QPainter painter(&pair);
            painter.drawImage(0, 0, canvasPicture);
            painter.drawImage(canvasPicture.width() + 10, 0, reduced);
            painter.drawImage(0, canvasPicture.height() + 10, canvasDetail);
            painter.drawImage(canvasPicture.width() + 10, canvasPicture.height() + 10, jobDetail);
            painter.end();
            QDir().mkpath(dir);
            pair.save(QDir(dir).filePath(QStringLiteral("preview-%1.png").arg(shot.name)));
        }
    }
}
