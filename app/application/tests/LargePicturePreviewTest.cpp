#include "PreviewAgainstJob.h"
#include "PreviewWindow.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/window/DocumentWindow.h"
#include "platform/AllocatorTuning.h"
#include "platform/tests/support/ProcessMemory.h"

#include <QBuffer>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

// A line drawing of 20000 x 20000 pixels with a diagonal line 5 pixels wide,
// dropped on a document window, fitted to the canvas's 210 mm and screened
// as a halftone: the canvas's tiles show what the print makes (every black
// dot under a pixel darker than white, every 8 x 8 block within 3 % of the
// job's white), the thumbnail shown until they come has the line's tone
// rather than a chain of black squares, and the program's memory grows by
// no more than three times the decoded picture. As a 1-bit PNG (a copy of
// it turned into 32-bit pixels takes 32 times its memory), also mirrored,
// and as 8-bit gray.
namespace {

#ifdef LUNVIK_SANITIZED_BUILD
// The sanitizers' checks make the large picture too slow for a test run.
constexpr int side = 6000;
#else
constexpr int side = 20000;
#endif

struct Drawing {
    const char* name;
    QImage::Format format;
    // Mirrored once it is in: the print then turns it a quarter rather than
    // transposing it.
    bool mirrored = false;
};

void PrintTo(const Drawing& drawing, std::ostream* out) {
    *out << drawing.name;
}

QByteArray lineDrawingPng(QImage::Format format) {
    QImage image(side, side, format);
    image.fill(format == QImage::Format_Mono ? 1 : 255);
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, std::max(1.0, 5.0 * side / 20000)));
        painter.drawLine(0, 0, side, side);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// The picture view as its tiles show it, in its pixels.
QImage shownByTiles(const kestrom::GridViewImageView& view) {
    const double scale = view.backingScale();
    const QSizeF size = view.bounds().size();
    QImage shown(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale)),
                 QImage::Format_Grayscale8);
    shown.fill(255);
    QPainter painter(&shown);
    for (const auto& tile : view.tileViews()) {
        painter.drawPixmap(tile.frame.topLeft() * scale, tile.contents);
    }
    return shown;
}

double darkness(const QImage& image) {
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < gray.height(); ++y) {
        for (int x = 0; x < gray.width(); ++x) {
            sum += 255 - gray.constScanLine(y)[x];
        }
    }
    return sum / 255.0 / (double(gray.width()) * gray.height());
}

class LargePicturePreview : public ::testing::TestWithParam<Drawing> {};

} // namespace

TEST_P(LargePicturePreview, showsWhatPrintsFromTheThumbnailOnWithinThreeTimesItsDecodedSize) {
    // As the program does first thing.
    platform::AllocatorTuning::giveLargeBlocksBack();
    PreviewWindow preview;
    auto* document = preview.document();
    ASSERT_TRUE(document);
    auto* window = preview.window();
    const QString path = preview.filePath(QStringLiteral("line.png"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lineDrawingPng(GetParam().format));
    }
    auto& job = document->job();
    job.setBlackConversionType(ambrel::BlackConversionType::halftone);
    auto* view = window->gridView()->imageView();
    window->gridView()->imageSelectionView()->setSelected(false);
    QTest::qWait(100);

    const qint64 before = ProcessMemory::resident();
    const bool peakReset = ProcessMemory::resetResidentPeak();
    QImage thumbnail;
    QObject::connect(view, &kestrom::GridViewImageView::thumbnailDelivered, [&] {
        if (thumbnail.isNull() && view->originalImage()) {
            thumbnail = view->thumbnail();
        }
    });
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(path)});
    window->gridViewController()->imageImport()->setImageWithPasteboard(&drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return job.originalImage() && preview.showsPrintedTiles(); },
                                120000));
    // What opening the picture took, up to its preview.
    const qint64 grown = ProcessMemory::residentPeak() - before;
    if (GetParam().mirrored) {
        job.setFlipsImageHorizontal(true);
        ASSERT_TRUE(view->flipsHorizontal());
        ASSERT_TRUE(QTest::qWaitFor([&] { return preview.showsPrintedTiles(); }, 120000));
    }
    ASSERT_TRUE(job.originalImage()->cgImage());
    const qint64 decoded = job.originalImage()->cgImage()->sizeInBytes();
    EXPECT_EQ(job.imageSizeForDisplay_mm().width, 210.0);

    const auto geometry = view->printGeometry();
    ASSERT_TRUE(geometry);
    const PreviewAgainstJob::Job printedJob{preview.printedBitmap(), geometry->canvas.width,
                                            geometry->canvas.height};
    const std::string faults = PreviewAgainstJob::compare(
        shownByTiles(*view), printedJob, *geometry, view->bounds().size(), view->backingScale());
    EXPECT_TRUE(faults.empty()) << faults;

    // The thumbnail shows the tone the job prints over the picture, not
    // tens of times darker.
    const auto& p = geometry->placement;
    qint64 black = 0;
    for (qint64 v = p.y; v < p.y + p.height; ++v) {
        for (qint64 u = p.x; u < p.x + p.width; ++u) {
            black += printedJob.black(u, v);
        }
    }
    const double printedDarkness = double(black) / double(p.width * p.height);
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_GT(darkness(thumbnail), printedDarkness / 2);
    EXPECT_LT(darkness(thumbnail), printedDarkness * 2);

#ifndef LUNVIK_SANITIZED_BUILD
    ASSERT_TRUE(peakReset);
    EXPECT_LT(grown, 3 * decoded) << "grew by " << grown / 1024 / 1024 << " MB for a picture of "
                                  << decoded / 1024 / 1024 << " MB";
#else
    Q_UNUSED(peakReset);
    Q_UNUSED(grown);
    Q_UNUSED(decoded);
#endif
}

INSTANTIATE_TEST_SUITE_P(Drawings, LargePicturePreview,
                         ::testing::Values(Drawing{"OneBit", QImage::Format_Mono},
                                           Drawing{"OneBitMirrored", QImage::Format_Mono, true},
                                           Drawing{"Gray", QImage::Format_Grayscale8}),
                         [](const auto& info) { return std::string(info.param.name); });
