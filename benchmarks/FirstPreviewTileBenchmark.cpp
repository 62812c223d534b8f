// A 6000 x 4000 photo JPEG dropped on a document window of the first-launch
// size: the time from the drop until the first tile of the picture's
// black-and-white preview is on the canvas, and until all its tiles are
// drawn from the whole picture. Beside it, in the same iteration, Qt's own
// decode of the same file straight to the size the picture takes on the
// canvas (QImageReader::setScaledSize), and the ratio of the two.
//
// "QuickDecode" is the road the window takes; "WholeDecodeFirst" takes the
// picture's pixels whole before it shows, as every import did before.
//
// "LargeLineDrawing" drops a 20000 x 20000 PNG of a 5-pixel diagonal line
// (1-bit, or 8-bit gray) screened as a halftone: the time until its
// thumbnail, its first tile and all its tiles from the print's dots show,
// and the resident memory that adds, in decoded pictures.

#include "BenchmarkApp.h"
#include "PhotoJpeg.h"
#include "PhotoWindow.h"

#include "ProcessStatus.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/window/DocumentWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include <benchmark/benchmark.h>

namespace {

struct Window {
    bench::BenchmarkApp app;
    QString files[2];
    kestrom::DocumentWindow* window = nullptr;
    kestrom::ImageImport* import = nullptr;
    kestrom::GridView* canvas = nullptr;
    kestrom::GridViewImageView* imageView = nullptr;

    Window() {
        for (int i = 0; i < 2; ++i) {
            files[i] = app.writeFile(QStringLiteral("photo-%1.jpg").arg(i), bench::photoJpeg(i));
        }
        window = app.showNewWindow();
        canvas = window->gridView();
        import = window->gridViewController()->imageImport();
        imageView = canvas->imageView();
        bench::BenchmarkApp::processEventsFor(300);
    }

    // The size the picture takes on the canvas, in device pixels.
    QSize fittedSize() const {
        const QSizeF bound = canvas->canvasRect().size() * canvas->backingScaleFactor();
        return QSize(6000, 4000).scaled(bound.toSize(), Qt::KeepAspectRatio);
    }

    bool allTilesDrawn() const {
        return !imageView->isDrawingInBackground() && !imageView->showsScaledDecode() &&
               import->pendingCount() == 0 && bench::PhotoWindow::everyTileHasContents(*imageView);
    }

    // Milliseconds from a drop of the file until the new picture's thumbnail,
    // its first tile and all its tiles were on the canvas (from the print's
    // dots, when asked for).
    struct Timings {
        double thumbnail = -1;
        double firstTile = -1;
        double allTiles = -1;
    };
    Timings drop(const QString& path, bool printedDots, int timeout_ms) {
        const auto before = import->pendingCount();
        const auto previous = imageView->originalImage();
        const auto current = [&] { return imageView->originalImage() != previous; };
        QElapsedTimer timer;
        Timings timings;
        auto t = QObject::connect(imageView, &kestrom::GridViewImageView::thumbnailDelivered, [&] {
            if (timings.thumbnail < 0 && current()) {
                timings.thumbnail = timer.nsecsElapsed() / 1e6;
            }
        });
        auto c = QObject::connect(imageView, &kestrom::GridViewImageView::tileDelivered, [&] {
            if (timings.firstTile < 0 && current()) {
                timings.firstTile = timer.nsecsElapsed() / 1e6;
            }
        });
        QMimeData drop;
        drop.setUrls({QUrl::fromLocalFile(path)});
        timer.start();
        import->setImageWithPasteboard(&drop);
        while ((timings.firstTile < 0 || !allTilesDrawn() ||
                (printedDots && !imageView->showsPrintedDots()) ||
                import->pendingCount() > before) &&
               timer.elapsed() < timeout_ms) {
            QApplication::processEvents(QEventLoop::AllEvents);
        }
        timings.allTiles = timer.nsecsElapsed() / 1e6;
        QObject::disconnect(c);
        QObject::disconnect(t);
        return timings;
    }
};

// Left to the end of the process: a window destroyed after the application
// would free pixmaps without it and crash on the way out.
Window& window() {
    static Window* w = new Window;
    return *w;
}

double qtScaledDecode_ms(const QString& path, const QSize& size) {
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QByteArray bytes = file.readAll();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setScaledSize(size);
    const QImage image = reader.read();
    benchmark::DoNotOptimize(image.constBits());
    return timer.nsecsElapsed() / 1e6;
}

void firstTile(benchmark::State& state, bool quick) {
    Window& w = window();
    if (!quick) {
        w.import->setQuickDecodeBound({});
    }
    const QSize fitted = w.fittedSize();
    static int turn = 0;
    double first = 0, all = 0, qt = 0, shown = 0;
    for (auto _ : state) {
        const QString path = w.files[turn++ % 2];
        const double reference = qtScaledDecode_ms(path, fitted);
        const Window::Timings at = w.drop(path, false, 20000);
        state.SetIterationTime(at.firstTile / 1000);
        first += at.firstTile;
        shown += at.thumbnail;
        all += at.allTiles;
        qt += reference;
        // The whole decode behind a quick one ends on its worker.
        bench::BenchmarkApp::processEventsFor(200);
    }
    const double n = double(state.iterations());
    state.counters["first_tile_ms"] = first / n;
    state.counters["thumbnail_ms"] = shown / n;
    state.counters["all_tiles_ms"] = all / n;
    state.counters["qt_scaled_decode_ms"] = qt / n;
    state.counters["first_tile_per_qt_decode"] = first / qt;
    state.counters["decode_width"] = fitted.width();
    state.counters["decode_height"] = fitted.height();
}

void BM_FirstTileAfterLoad_QuickDecode(benchmark::State& state) {
    firstTile(state, true);
}

void BM_FirstTileAfterLoad_WholeDecodeFirst(benchmark::State& state) {
    firstTile(state, false);
}

// The line drawing's files, made once for the run: two, so that each drop
// brings another picture (the line one pixel apart).
QString lineDrawing(int bitsPerPixel, int variant) {
    static QString paths[2][2];
    QString& path = paths[bitsPerPixel == 1 ? 0 : 1][variant % 2];
    if (path.isEmpty()) {
        constexpr int side = 20000;
        QImage image(side, side,
                     bitsPerPixel == 1 ? QImage::Format_Mono : QImage::Format_Grayscale8);
        image.fill(bitsPerPixel == 1 ? 1 : 255);
        {
            QPainter painter(&image);
            painter.setPen(QPen(Qt::black, 5));
            painter.drawLine(variant % 2, 0, side + variant % 2, side);
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        path = window().app.writeFile(
            QStringLiteral("line-%1-%2.png").arg(bitsPerPixel).arg(variant % 2), png);
    }
    return path;
}

void BM_AllTilesAfterLoad_LargeLineDrawing(benchmark::State& state) {
    Window& w = window();
    const int bits = int(state.range(0));
    auto* document = qobject_cast<kestrom::PrintJobDocument*>(w.window->document());
    document->job().setBlackConversionType(ambrel::BlackConversionType::halftone);
    const double decoded = 20000.0 * 20000.0 * (bits == 1 ? 1.0 / 8 : 1.0);
    double first = 0, all = 0, shown = 0, grown = 0;
    int turn = 0;
    for (auto _ : state) {
        const QString path = lineDrawing(bits, turn++);
        bench::BenchmarkApp::processEventsFor(500);
        const qint64 resident = bench::statusKilobytes("VmRSS:");
        bench::resetPeak();
        const Window::Timings at = w.drop(path, true, 120000);
        state.SetIterationTime(at.allTiles / 1000);
        first += at.firstTile;
        shown += at.thumbnail;
        all += at.allTiles;
        grown += double(bench::statusKilobytes("VmHWM:") - resident) * 1024 / decoded;
    }
    const double n = double(state.iterations());
    state.counters["thumbnail_ms"] = shown / n;
    state.counters["first_tile_ms"] = first / n;
    state.counters["all_tiles_ms"] = all / n;
    state.counters["peak_growth_per_decoded"] = grown / n;
    state.counters["width_mm"] = document->job().imageSizeForDisplay_mm().width;
}

} // namespace

BENCHMARK(BM_FirstTileAfterLoad_QuickDecode)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(4);
// Last: it takes the window's quick decode away.
BENCHMARK(BM_FirstTileAfterLoad_WholeDecodeFirst)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(4);
BENCHMARK(BM_AllTilesAfterLoad_LargeLineDrawing)
    ->Arg(1)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

int main(int argc, char** argv) {
    return bench::BenchmarkApp::run(argc, argv);
}
