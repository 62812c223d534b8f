// A 6000 x 4000 photo JPEG dropped on a document window of the first-launch
// size: the time from the drop until the first tile of the picture's
// black-and-white preview is on the canvas, and until all its tiles are
// drawn from the whole picture. Beside it, in the same iteration, Qt's own
// decode of the same file straight to the size the picture takes on the
// canvas (QImageReader::setScaledSize), and the ratio of the two.
//
// "QuickDecode" is the road the window takes; "WholeDecodeFirst" takes the
// picture's pixels whole before it shows, as every import did before.

#include "BenchmarkApp.h"
#include "PhotoJpeg.h"
#include "PhotoWindow.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/ImageImport.h"
#include "core/window/DocumentWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QMimeData>
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
        const auto before = w.import->pendingCount();
        const auto previous = w.imageView->originalImage();
        QElapsedTimer timer;
        double firstAt = -1;
        double shownAt = -1;
        auto t =
            QObject::connect(w.imageView, &kestrom::GridViewImageView::thumbnailDelivered, [&] {
                if (shownAt < 0 && w.imageView->originalImage() != previous) {
                    shownAt = timer.nsecsElapsed() / 1e6;
                }
            });
        auto c = QObject::connect(w.imageView, &kestrom::GridViewImageView::tileDelivered, [&] {
            if (firstAt < 0 && w.imageView->originalImage() != previous) {
                firstAt = timer.nsecsElapsed() / 1e6;
            }
        });
        QMimeData drop;
        drop.setUrls({QUrl::fromLocalFile(path)});
        timer.start();
        w.import->setImageWithPasteboard(&drop);
        while ((firstAt < 0 || !w.allTilesDrawn() || w.import->pendingCount() > before) &&
               timer.elapsed() < 20000) {
            QApplication::processEvents(QEventLoop::AllEvents);
        }
        const double allAt = timer.nsecsElapsed() / 1e6;
        QObject::disconnect(c);
        QObject::disconnect(t);
        state.SetIterationTime(firstAt / 1000);
        first += firstAt;
        shown += shownAt;
        all += allAt;
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

int main(int argc, char** argv) {
    return bench::BenchmarkApp::run(argc, argv);
}
