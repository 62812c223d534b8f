// A 6000 x 4000 photo on the stencil model's A4 canvas in a document window
// of 1920 x 1080 and of 3840 x 2160: the main thread's processor time per
// change of the threshold (or of the halftone's screen), from the change made
// through the document, as the slider makes it, until every tile of the
// canvas is drawn again. The tiles are made on the compute workers; what is
// counted here is what the window itself does for the change: the
// document's and the inspector's reaction (counted apart as "reaction_ms")
// and the window's repaints.

#include "PhotoWindow.h"

#include "core/canvas/GridViewImageView.h"
#include "core/window/DocumentWindow.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Window : bench::PhotoWindow {
    // Settles: all tiles drawn and no event left (the last repaint included).
    // Sleeps between events, so that the waiting adds no processor time.
    void settle() {
        bench::BenchmarkApp::sleepUntil([&] { return allTilesDrawn(); });
        QApplication::processEvents(QEventLoop::AllEvents);
    }
};

// Never destroyed: it would outlive the application.
Window& window() {
    static auto* w = new Window;
    return *w;
}

void perChange(benchmark::State& state, bool halftone) {
    Window& w = window();
    w.window->resize(QSize(int(state.range(0)), int(state.range(1))));
    w.convertBy(halftone);
    w.settle();
    double reaction = 0;
    double wall = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const double start = threadCpuMs();
        w.changeConversion(halftone);
        reaction += threadCpuMs() - start;
        w.settle();
        const double cpu = threadCpuMs() - start;
        wall += timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(cpu / 1000);
    }
    const double n = double(state.iterations());
    state.counters["reaction_ms"] = reaction / n;
    state.counters["wall_ms"] = wall / n;
    state.counters["tiles"] = double(w.imageView->tileViews().size());
}

void BM_MainThreadPerThresholdChange(benchmark::State& state) {
    perChange(state, false);
}

void BM_MainThreadPerHalftoneChange(benchmark::State& state) {
    perChange(state, true);
}

} // namespace

BENCHMARK(BM_MainThreadPerThresholdChange)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(8);
BENCHMARK(BM_MainThreadPerHalftoneChange)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(8);

int main(int argc, char** argv) {
    return bench::BenchmarkApp::run(argc, argv);
}
