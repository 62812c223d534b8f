// A 6000 x 4000 photo on the stencil model's A4 canvas in a document window
// of 1920 x 1080 and of 3840 x 2160: the time from a change of the threshold
// (or of the halftone's screen) until every tile of the canvas's preview is
// drawn again. In the same iteration, a reference: one core copying as many
// bytes as the canvas's dots. LUNVIK_COMPUTE_THREADS=N sets the compute
// workers the tiles are made on. The cases named KernelOnly time the tiles
// alone, without the window; VectorTilesKernelOnly renders a vector logo's
// page and draws every tile of its view from it before reducing it, as the
// first redraw of a placement does. A later move draws the dots again from
// the rendering the picture kept (VectorRedrawAfterAMove).

#include "CopyReference.h"
#include "PhotoJpeg.h"
#include "PhotoWindow.h"
#include "VectorLogo.h"

#include "core/canvas/GridViewImageView.h"
#include "core/canvas/preview/PreviewGeometry.h"
#include "core/canvas/preview/PreviewImageRules.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/window/DocumentWindow.h"

#include <QElapsedTimer>
#include <QUrl>

#include <benchmark/benchmark.h>

namespace {

struct Window : bench::PhotoWindow {
    static void waitUntil(const std::function<bool()>& done) {
        bench::BenchmarkApp::processEventsUntil(done);
    }

    void resize(const QSize& size) {
        window->resize(size);
        waitUntil([&] { return allTilesDrawn(); });
    }
};

// Never destroyed: it would outlive the application.
Window& window() {
    static auto* w = new Window;
    return *w;
}

void redraw(benchmark::State& state, bool halftone) {
    Window& w = window();
    w.resize(QSize(int(state.range(0)), int(state.range(1))));
    w.convertBy(halftone);
    w.waitUntil([&] { return w.allTilesDrawn(); });
    double work = 0;
    double copy = 0;
    double allCoreCopy = 0;
    // The yardstick: the A4 canvas's dots at 600 dpi.
    bench::CopyReference reference(std::size_t(7016) * 4961);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        w.changeConversion(halftone);
        w.waitUntil([&] { return w.allTilesDrawn(); });
        const double ms = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(ms / 1000);
        work += ms / 1000;
        copy += reference.seconds();
        allCoreCopy += reference.allCoreSeconds();
    }
    bench::reportCopies(state, work, copy, allCoreCopy, double(state.iterations()));
    state.counters["tiles"] = double(w.imageView->tileViews().size());
}

// The tiles alone, off the window: every tile of the picture view the
// larger window shows (about 3.5 dots a pixel), converted from their drawn
// dots and reduced, side by side on the compute workers as a redraw makes
// them.
void tilesOnly(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    static const auto image = ambrel::OriginalImage::fromData(
        bench::photoJpeg(0), QUrl::fromLocalFile(QStringLiteral("/photo.jpg")));
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {4724, 3149}; // 200 mm wide at 600 dpi
    const auto geometry = kestrom::PreviewGeometry::make(options, {210, 297}, ambrel::Dpi(600));
    const QSizeF view(4724 / 3.5, 3149 / 3.5);
    const QList<QRectF> frames = kestrom::PreviewImageRules::tileFrames(view);
    std::vector<kestrom::PreviewTileRenderer::Dots> dots;
    for (const QRectF& frame : frames) {
        dots.push_back(kestrom::PreviewTileRenderer::draw(*image, *geometry, {frame, view, 1}));
    }
    quenta::DeviceBlackConversionInfo info;
    info.halftone = quenta::DeviceBlackConversionInfo::HalftoneInfo{1.2};
    info.threshold = quenta::DeviceBlackConversionInfo::ThresholdInfo{true};
    auto& pool = platform::compute::Device::systemDefault()->threadPool();
    bench::CopyReference reference(std::size_t(4724) * 3149);
    double work = 0, copy = 0, allCoreCopy = 0;
    for (auto _ : state) {
        const double s = bench::secondsOf([&] {
            pool.parallelFor(std::size_t(frames.size()), [&](std::size_t i) {
                const QImage tile = kestrom::PreviewTileRenderer::reduce(
                    dots[i], conversion, info, *geometry, {frames[qsizetype(i)], view, 1});
                benchmark::DoNotOptimize(tile.constBits());
            });
        });
        state.SetIterationTime(s);
        work += s;
        copy += reference.seconds();
        allCoreCopy += reference.allCoreSeconds();
    }
    bench::reportCopies(state, work, copy, allCoreCopy, double(state.iterations()));
    state.counters["tiles"] = double(frames.size());
}

// Every tile of the larger window's view of the logo drawn from its page and
// reduced, as the first redraw of a placement makes them: the page rendered
// once for all tiles, its strips side by side on the workers (a picture of
// its own each time, which keeps no rendering yet), the tiles' dots drawn
// from it in bands, then the tiles reduced side by side. (Before the shared
// bands each tile rendered the page for its own piece.)
void vectorTilesOnly(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    const QByteArray logo = bench::logoPdf();
    const auto fresh = [&] {
        return ambrel::OriginalImage::fromData(logo,
                                               QUrl::fromLocalFile(QStringLiteral("/logo.pdf")));
    };
    const auto image = fresh();
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = image->size_px(ambrel::Dpi(600));
    options.imageBitmapConversion = conversion;
    const auto geometry = kestrom::PreviewGeometry::make(options, {210, 297}, ambrel::Dpi(600));
    const QSizeF view(options.imageSize_px.width / 3.5, options.imageSize_px.height / 3.5);
    const QList<QRectF> frames = kestrom::PreviewImageRules::tileFrames(view);
    std::vector<kestrom::PreviewTileRenderer::Request> requests;
    for (const QRectF& frame : frames) {
        requests.push_back({frame, view, 1});
    }
    quenta::DeviceBlackConversionInfo info;
    info.threshold = quenta::DeviceBlackConversionInfo::ThresholdInfo{true};
    auto& pool = platform::compute::Device::systemDefault()->threadPool();
    bench::CopyReference reference(std::size_t(options.imageSize_px.width) *
                                   std::size_t(options.imageSize_px.height));
    double work = 0, copy = 0, allCoreCopy = 0;
    for (auto _ : state) {
        const auto picture = fresh();
        const double s = bench::secondsOf([&] {
            const auto dots =
                kestrom::PreviewTileRenderer::drawAll(*picture, *geometry, requests, {}, &pool);
            pool.parallelFor(std::size_t(frames.size()), [&](std::size_t i) {
                const QImage tile = kestrom::PreviewTileRenderer::reduce(dots[i], conversion, info,
                                                                         *geometry, requests[i]);
                benchmark::DoNotOptimize(tile.constBits());
            });
        });
        state.SetIterationTime(s);
        work += s;
        copy += reference.seconds();
        allCoreCopy += reference.allCoreSeconds();
    }
    bench::reportCopies(state, work, copy, allCoreCopy, double(state.iterations()));
    state.counters["tiles"] = double(frames.size());
}

void BM_VectorTilesKernelOnly_Threshold(benchmark::State& state) {
    vectorTilesOnly(state, ambrel::BlackConversion::threshold({0.5, 0}));
}

void BM_VectorTilesKernelOnly_WidenedThreshold(benchmark::State& state) {
    vectorTilesOnly(state, ambrel::BlackConversion::threshold({0.58, 2}));
}

void BM_TilesKernelOnly_Threshold(benchmark::State& state) {
    tilesOnly(state, ambrel::BlackConversion::threshold({0.5, 0}));
}

void BM_TilesKernelOnly_Halftone(benchmark::State& state) {
    tilesOnly(state, ambrel::BlackConversion::halftone({}));
}

// The vector logo in the window in place of the photo, moved by one dot and
// back: the view's kept dots are dropped, so every move draws the page's
// dots again, from the rendering of the page the picture keeps (a threshold
// change alone converts the kept dots). Runs last, since the window keeps
// the logo.
void BM_VectorRedrawAfterAMove(benchmark::State& state) {
    Window& w = window();
    static const bool dropped = [&] {
        w.dropPicture(QStringLiteral("logo.pdf"), bench::logoPdf());
        return true;
    }();
    (void)dropped;
    w.resize(QSize(int(state.range(0)), int(state.range(1))));
    w.convertBy(false);
    w.waitUntil([&] { return w.allTilesDrawn(); });
    auto& job = w.document->job();
    const auto start = job.originalImageDrawingOptions().imageOffset_mm;
    double work = 0, copy = 0, allCoreCopy = 0;
    bench::CopyReference reference(std::size_t(7016) * 4961);
    int turn = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto moved = start;
        moved.x += ++turn % 2 ? 25.4 / 600 : 0;
        job.setImageOffset_mm(moved);
        w.waitUntil([&] { return w.allTilesDrawn(); });
        const double ms = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(ms / 1000);
        work += ms / 1000;
        copy += reference.seconds();
        allCoreCopy += reference.allCoreSeconds();
    }
    bench::reportCopies(state, work, copy, allCoreCopy, double(state.iterations()));
    state.counters["tiles"] = double(w.imageView->tileViews().size());
}

void BM_RedrawAfterThresholdChange(benchmark::State& state) {
    redraw(state, false);
}

void BM_RedrawAfterHalftoneChange(benchmark::State& state) {
    redraw(state, true);
}

} // namespace

BENCHMARK(BM_TilesKernelOnly_Threshold)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK(BM_TilesKernelOnly_Halftone)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK(BM_VectorTilesKernelOnly_Threshold)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK(BM_VectorTilesKernelOnly_WidenedThreshold)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK(BM_RedrawAfterThresholdChange)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(6);
BENCHMARK(BM_RedrawAfterHalftoneChange)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(6);

BENCHMARK(BM_VectorRedrawAfterAMove)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(6);

int main(int argc, char** argv) {
    return bench::BenchmarkApp::run(argc, argv);
}
