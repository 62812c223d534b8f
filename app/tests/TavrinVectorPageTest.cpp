#include "TavrinTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinBitmapRenderer.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "app/tavrin/TavrinPicturePlacement.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/graphics/PageRenderings.h"
#include "platform/graphics/PdfPage.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstring>

using ambrel::ImageRotation;
using ambrel::ImageSource;
using ambrel::OriginalImage;
using lunvik::TavrinBitmapRenderer;
using tavrin_test::canvasView;
using tavrin_test::sameBytes;

namespace {

// A5 pages as Qt's PDF writer writes them, each of one kind of content: at
// 300 dpi a page is rendered in more than one strip.
enum class Kind { text, hairlines, patterns, pictures };

const char* nameOf(Kind kind) {
    switch (kind) {
    case Kind::text:
        return "text";
    case Kind::hairlines:
        return "hairlines";
    case Kind::patterns:
        return "patterns";
    case Kind::pictures:
        return "pictures";
    }
    return "";
}

void drawContent(QPainter& painter, Kind kind) {
    const double mm = 1200 / 25.4;
    QRandomGenerator random(11);
    switch (kind) {
    case Kind::text: {
        // Running text with bold words and a large heading: glyphs of every
        // width cross every strip and band edge somewhere.
        QFont heading(QStringLiteral("DejaVu Sans"));
        heading.setPointSizeF(22);
        painter.setFont(heading);
        painter.drawText(QPointF(8 * mm, 16 * mm), QStringLiteral("Proof of the second run"));
        QFont body(QStringLiteral("DejaVu Sans"));
        const QString words = QStringLiteral("dab quick bold stencils print each line whole ");
        for (int line = 0; line < 52; ++line) {
            body.setPointSizeF(6 + line % 5);
            body.setBold(line % 7 == 3);
            painter.setFont(body);
            QString text;
            for (int k = 0; text.size() < 70; ++k) {
                text += words.mid((line * 5 + k * 11) % (words.size() - 6), 6);
            }
            painter.drawText(QPointF((5 + line % 3) * mm, (24 + line * 3.5) * mm), text);
        }
        break;
    }
    case Kind::hairlines:
        painter.setPen(QPen(Qt::black, 0.1 / 72 * 1200));
        for (int i = 0; i < 400; ++i) {
            painter.drawLine(QPointF(random.bounded(148.0) * mm, random.bounded(210.0) * mm),
                             QPointF(random.bounded(148.0) * mm, random.bounded(210.0) * mm));
        }
        painter.setPen(QPen(Qt::black, 0.3 / 72 * 1200));
        for (int r = 2; r < 60; r += 3) {
            painter.drawEllipse(QPointF(74 * mm, 105 * mm), r * mm, r * 0.7 * mm);
        }
        break;
    case Kind::patterns: {
        // Qt writes brush patterns as tiling patterns and gradients as
        // shadings.
        const Qt::BrushStyle styles[] = {Qt::Dense3Pattern, Qt::Dense6Pattern, Qt::CrossPattern,
                                         Qt::BDiagPattern, Qt::DiagCrossPattern};
        for (int i = 0; i < 10; ++i) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QBrush(Qt::black, styles[i % 5]));
            painter.drawEllipse(
                QRectF((5 + (i % 2) * 70) * mm, (5 + (i / 2) * 40) * mm, 68 * mm, 38 * mm));
        }
        QLinearGradient gradient(QPointF(0, 0), QPointF(148 * mm, 30 * mm));
        gradient.setColorAt(0, Qt::black);
        gradient.setColorAt(1, Qt::white);
        painter.setBrush(gradient);
        painter.drawRect(QRectF(10 * mm, 180 * mm, 128 * mm, 25 * mm));
        break;
    }
    case Kind::pictures: {
        QImage photo(300, 200, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            for (int x = 0; x < photo.width(); ++x) {
                photo.setPixel(x, y, qRgb(x % 256, (y * 3) % 256, (x ^ y) % 256));
            }
        }
        QImage marks(61, 37, QImage::Format_Grayscale8);
        marks.fill(255);
        for (int i = 0; i < 120; ++i) {
            marks.scanLine(int(random.bounded(37)))[random.bounded(61)] = 0;
        }
        painter.drawImage(QRectF(6 * mm, 8 * mm, 136 * mm, 90 * mm), photo);
        painter.drawImage(QRectF(11 * mm, 110 * mm, 121 * mm, 74 * mm), marks);
        break;
    }
    }
}

QByteArray pagePdf(Kind kind) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A5));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(1200);
        QPainter painter(&writer);
        drawContent(painter, kind);
    }
    return buffer.data();
}

const TavrinBitmapRenderer::Device printer{ambrel::Dpi(300), {}};
const ambrel::Size_mm a5{148, 210};

// Pixels that differ, and the rows they lie on, for the report.
QString differences(const QImage& a, const QImage& b) {
    int count = 0;
    QString rows;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        const int before = count;
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            count += a.constScanLine(y)[x] != b.constScanLine(y)[x];
        }
        if (count != before && rows.size() < 200) {
            rows += QStringLiteral(" %1").arg(y);
        }
    }
    return QStringLiteral("%1 pixels differ, on rows%2").arg(count).arg(rows);
}

// The page rendered whole in one pass of the PDF library at the placement's
// size, laid on a white canvas turned and mirrored as placed, its corner at
// the given canvas pixel.
QImage oneRendering(const QByteArray& pdf, const ambrel::OriginalImageDrawingOptions& options,
                    QPoint corner, QSize canvas, bool smoothed) {
    const auto page = platform::PdfPage::firstPage(pdf);
    const QRectF trim = page->trimBox();
    const double sx = options.imageSize_px.width / trim.width();
    const double sy = options.imageSize_px.height / trim.height();
    // A quarter pixel inside the edges: the rendering rounds out to whole
    // pixels, and the page's edges lie on them but for rounding.
    const QImage rendered =
        page->render(trim.adjusted(0.25 / sx, 0.25 / sy, -0.25 / sx, -0.25 / sy), 72.0 * sx,
                     72.0 * sy, true, smoothed);
    EXPECT_EQ(rendered.size(), QSize(options.imageSize_px.width, options.imageSize_px.height));
    const QImage placed = tavrin_test::placedPicture(rendered, options.imageOrientation.rawValue(),
                                                     options.flipsImageHorizontal);
    return tavrin_test::grayCanvas(canvas.width(), canvas.height(), placed, {corner});
}

struct Placement {
    ImageRotation orientation;
    bool mirror;
    ambrel::Point_mm offset;
};

// The page at its own size: on the canvas, and turned, mirrored and pushed
// past the canvas's top-left corner, so that the canvas cuts its text.
const Placement placements[] = {
    {ImageRotation::none, false, {0, 0}},
    {ImageRotation::r90, true, {-21.3, -13.7}},
};

} // namespace

// Every band of a print is the page as one rendering of it gives it, bit for
// bit, for text, hairlines, patterns and pictures, smoothed and not (a
// threshold at the middle gray renders unsmoothed, and glyphs there are
// where the PDF library misplaces them when a rendering's edge cuts them),
// whether the bands cut across the page's lines or along them. Each print
// here is of a picture of its own, which renders the page afresh.
TEST(TavrinVectorPage, everyBandPrintsWhatOneRenderingOfThePageGives) {
    for (const Kind kind : {Kind::text, Kind::hairlines, Kind::patterns, Kind::pictures}) {
        const QByteArray pdf = pagePdf(kind);
        const auto picture = OriginalImage::fromData(pdf, QUrl::fromLocalFile("/p/page.pdf"));
        ASSERT_TRUE(picture && picture->isVector()) << nameOf(kind);
        for (const Placement& p : placements) {
            for (const double threshold : {0.5, 0.6}) {
                ambrel::OriginalImageDrawingOptions options;
                options.imageSize_px = picture->size_px(printer.dpi);
                options.imageOrientation = p.orientation;
                options.flipsImageHorizontal = p.mirror;
                options.imageOffsetBase = ambrel::OffsetBase::topLeft;
                options.imageOffset_mm = p.offset;
                options.imageBitmapConversion = ambrel::BlackConversion::threshold({threshold, 0});
                const auto source = ImageSource::originalImage(picture, options);
                const QImage whole =
                    TavrinBitmapRenderer::renderGray(printer, a5, source, nullptr, 1).bitmap;
                const std::string what = std::string(nameOf(kind)) + " " +
                                         std::to_string(p.orientation.rawValue()) + " " +
                                         std::to_string(threshold);
                const auto placed = lunvik::TavrinPicturePlacement::compute(
                    lunvik::TavrinPicturePlacement::inputFor(
                        options, {whole.height(), whole.width()}, printer.dpi));
                const QImage reference =
                    oneRendering(pdf, options, QPoint(int(placed.x), int(placed.y)),
                                 QSize(whole.height(), whole.width()), threshold != 0.5);
                const QImage canvas = canvasView(whole);
                EXPECT_TRUE(sameBytes(canvas, reference))
                    << what << ": " << differences(canvas, reference).toStdString();
                for (const int bands : {9}) {
                    const auto again =
                        OriginalImage::fromData(pdf, QUrl::fromLocalFile("/p/page.pdf"));
                    const QImage banded =
                        TavrinBitmapRenderer::renderGray(
                            printer, a5, ImageSource::originalImage(again, options), nullptr, bands)
                            .bitmap;
                    EXPECT_TRUE(sameBytes(whole, banded))
                        << what << " in " << bands
                        << " bands: " << differences(whole, banded).toStdString();
                }
            }
        }
    }
}

// What reaches the device from a print of a text page is the page rendered
// in one band and converted: the job the simulated device rebuilds, dot for
// dot, for a threshold (left to the packing) and for black widened (converted
// band by band), on the small model's narrow canvas that cuts the page's
// lines.
TEST(TavrinVectorPage, aPrintedTextPageReachesTheDeviceAsOneRenderingOfIt) {
    const auto model = tavrin_test::smallModel();
    const QByteArray pdf = pagePdf(Kind::text);
    const auto picture = OriginalImage::fromData(pdf, QUrl::fromLocalFile("/p/text.pdf"));
    ASSERT_TRUE(picture && picture->pageRenderings());
    for (const auto& conversion : {ambrel::BlackConversion::threshold({0.5, 0}),
                                   ambrel::BlackConversion::threshold({0.5, 2})}) {
        ambrel::OriginalImageDrawingOptions options;
        options.imageSize_px = picture->size_px(model->dpi());
        options.imageOffsetBase = ambrel::OffsetBase::topLeft;
        options.imageOffset_mm = {-3.3, -17.9};
        options.imageBitmapConversion = conversion;
        const auto source = ImageSource::originalImage(picture, options);
        const QImage oneBand =
            TavrinBitmapRenderer::render(
                {model->dpi(), model->additionalInfos()}, model->canvases().first()->size_mm(),
                ImageSource::originalImage(
                    OriginalImage::fromData(pdf, QUrl::fromLocalFile("/p/text.pdf")), options),
                nullptr, 1)
                .bitmap;
        lunvik::TavrinSimulatorUsb usb;
        lunvik::TavrinDeviceConnection(model, ambrel::TransportType::usb)
            .print(tavrin_test::task(model, source), std::make_shared<platform::Progress>());
        platform::MainThread::drain();
        ASSERT_EQ(usb.device().jobs().size(), 1);
        const QImage imaged = usb.device().jobs().first().picture();
        const int W = oneBand.height();
        const int H = oneBand.width();
        ASSERT_EQ(imaged.height(), H);
        const int shift = tavrin_test::dotShift(256, W);
        int wrong = 0;
        int black = 0;
        for (int v = 0; v < H; ++v) {
            for (int u = 0; u < W; ++u) {
                const bool printed = oneBand.constScanLine(W - 1 - u)[H - 1 - v] == 0;
                black += printed;
                wrong += printed != (imaged.pixelIndex(u + shift, v) == 1);
            }
        }
        EXPECT_GT(black, 10000);
        EXPECT_EQ(wrong, 0) << conversion.thresholdOption()->expansionLevel;
    }
    // The picture keeps the rendering for the next drawing of the placement.
    EXPECT_GT(picture->pageRenderings()->keptBytes(), 236 * 1181);
}
