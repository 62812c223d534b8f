// The canvas's black-and-white preview of a 6000 x 4000 picture shown large
// in an 1100 x 700 view: after a change of the conversion, the time until the
// first converted tile and until the last one is on screen; after a new
// picture, the time until its thumbnail shows; and the longest single turn of
// the main thread meanwhile.
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/job/CurrentBlackConversionReadonlyWrapper.h"
#include "model/pictures/OriginalImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace kestrom;

namespace {

// Times every event the main thread handles.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;
    double longest_ms = 0;

    bool notify(QObject* receiver, QEvent* event) override {
        QElapsedTimer timer;
        timer.start();
        const bool result = QApplication::notify(receiver, event);
        const double ms = timer.nsecsElapsed() / 1e6;
        longest_ms = std::max(longest_ms, ms);
        if (ms > 16 && qEnvironmentVariableIsSet("LUNVIK_BENCHMARK_SLOW_EVENTS")) {
            qWarning("slow event %d to %s: %.1f ms", int(event->type()),
                     receiver->metaObject()->className(), ms);
        }
        return result;
    }
};

TimingApplication* timingApp() {
    return static_cast<TimingApplication*>(QCoreApplication::instance());
}

QImage bigImage(int variant) {
    QImage image(6000, 4000, QImage::Format_RGB32);
    QLinearGradient gradient(0, 0, 6000, 4000);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(20 * variant, 30, 40));
    QPainter p(&image);
    p.fillRect(image.rect(), gradient);
    p.setPen(QPen(Qt::black, 40));
    for (int i = 0; i < 6000; i += 500) {
        p.drawLine(i, 0, 6000 - i, 4000);
    }
    return image;
}

struct Canvas {
    GridView view;
    GridViewImageView* image = view.imageView();

    Canvas() {
        view.resize(1100, 700);
        view.setPrintableSize_mm({420, 297});
        view.setCanvasEnabled(true);
        view.setImageOffsetBase(QStringLiteral("topLeft"));
        view.setOriginalImage(ambrel::OriginalImage::fromImage(bigImage(0), {}, {}, 1));
        view.setImageSizeForDisplay_mm({390, 260});
        view.setImageOffset_mm({10, 10});
        view.show();
        view.layoutSubtreeIfNeeded();
        waitUntilDrawn();
    }

    // Runs the event loop until the pass in force is done; the longest
    // event the main thread handled meanwhile, in milliseconds.
    double waitUntilDrawn() {
        timingApp()->longest_ms = 0;
        QElapsedTimer total;
        total.start();
        do {
            QApplication::processEvents(QEventLoop::AllEvents);
        } while ((image->isDrawingInBackground() || hasPendingTiles()) && total.elapsed() < 20000);
        return timingApp()->longest_ms;
    }

    bool hasPendingTiles() const {
        for (const auto& tile : image->tileViews()) {
            if (tile.contents.isNull()) {
                return true;
            }
        }
        return false;
    }
};

std::shared_ptr<const CurrentBlackConversionReadonlyWrapper> conversion(int i) {
    if (i % 2) {
        return std::make_shared<CurrentBlackConversionReadonlyWrapper>(
            ambrel::BlackConversion::halftone({60, 45.0 + i % 7, 0, 0, 0}));
    }
    return std::make_shared<CurrentBlackConversionReadonlyWrapper>(
        ambrel::BlackConversion::threshold({0.3 + 0.01 * (i % 40), 0}));
}

void BM_PreviewAfterConversionChange(benchmark::State& state) {
    Canvas canvas;
    int i = 0;
    double first = 0, all = 0, longest = 0;
    for (auto _ : state) {
        int delivered = 0;
        QElapsedTimer timer;
        double firstAt = -1;
        auto c = QObject::connect(canvas.image, &GridViewImageView::tileDelivered, [&] {
            if (delivered++ == 0) {
                firstAt = timer.nsecsElapsed() / 1e6;
            }
        });
        timer.start();
        canvas.view.setBlackConversion(conversion(++i));
        const double turn = canvas.waitUntilDrawn();
        const double allAt = timer.nsecsElapsed() / 1e6;
        QObject::disconnect(c);
        state.SetIterationTime(allAt / 1000);
        first = std::max(first, firstAt);
        all = std::max(all, allAt);
        longest = std::max(longest, turn);
    }
    state.counters["first_tile_ms_max"] = first;
    state.counters["all_tiles_ms_max"] = all;
    state.counters["main_turn_ms_max"] = longest;
}

void BM_ThumbnailAfterPictureChange(benchmark::State& state) {
    Canvas canvas;
    const auto a = ambrel::OriginalImage::fromImage(bigImage(1), {}, {}, 1);
    const auto b = ambrel::OriginalImage::fromImage(bigImage(2), {}, {}, 1);
    int i = 0;
    double thumb = 0, longest = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        double at = -1;
        auto c = QObject::connect(canvas.image, &GridViewImageView::thumbnailDelivered,
                                  [&] { at = timer.nsecsElapsed() / 1e6; });
        timer.start();
        canvas.view.setOriginalImage(++i % 2 ? a : b);
        canvas.view.layoutSubtreeIfNeeded();
        longest = std::max(longest, canvas.waitUntilDrawn());
        QObject::disconnect(c);
        state.SetIterationTime(at / 1000);
        thumb = std::max(thumb, at);
    }
    state.counters["thumbnail_ms_max"] = thumb;
    state.counters["main_turn_ms_max"] = longest;
}

} // namespace

BENCHMARK(BM_PreviewAfterConversionChange)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);
BENCHMARK(BM_ThumbnailAfterPictureChange)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TimingApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
