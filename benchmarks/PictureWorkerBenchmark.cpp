// What drawing PDF pages in the picture workers costs against drawing them
// in the program's own process, as the program did before, in the same run:
// the in-process references load the picture codecs' module here (which the
// program itself never does).
//
// - Open/cold: a page opened with no worker running, so a worker starts
//   (the program, the module, the libraries' set-up, the confinement), and
//   opens and draws the page once, small. Open/warm: the same with a worker
//   idle. Open/in_process: the library's load of the page and its boxes.
// - Tile: a 512 x 512 tile of the logo at 600 dpi in gray, through a warm
//   worker and (in the same iteration, `in_process_ms`) in process.
// - Tiles/parallel: the logo's 600 dpi dots cut in 16 bands drawn at once,
//   through the workers (`workers` of them) and in process, each band on a
//   document of its own, as the program did (`in_process_ms`).
// - A4 page: the logo's content on an A4 page at 600 dpi, gray, one
//   drawing through a worker: the work a deadline must leave room for.
// - HEIC: the primary image of the HEIC file LUNVIK_BENCHMARK_HEIC names
//   (skipped without one), decoded through a worker and (`in_process_ms`)
//   in process.

#include "VectorLogo.h"

#include "platform/ModuleLoader.h"
#include "platform/compute/Device.h"
#include "platform/compute/ThreadPool.h"
#include "platform/graphics/HeifDecoder.h"
#include "platform/graphics/PdfPage.h"
#include "platform/graphics/PdfPageRenderer.h"
#include "platform/graphics/PictureCodecs.h"
#include "platform/worker/PictureWorkerPool.h"

#include <QFile>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const platform::PictureCodecs& inProcess() {
    static const platform::PictureCodecs* codecs = [] {
        const auto entry = reinterpret_cast<LunvikPictureCodecsEntry>(platform::ModuleLoader::entry(
            platform::PictureCodecs::moduleFileName(), platform::PictureCodecs::entryName));
        const platform::PictureCodecs* loaded = entry ? entry() : nullptr;
        if (loaded) {
            loaded->prepare();
        }
        return loaded;
    }();
    return *codecs;
}

const QByteArray& logo() {
    static const QByteArray bytes = bench::logoPdf();
    return bytes;
}

// The logo's content on an A4 page.
const QByteArray& a4() {
    static const QByteArray bytes = [] {
        const QByteArray& pdf = logo();
        const qsizetype begin = pdf.indexOf("stream\n") + 7;
        const qsizetype end = pdf.indexOf("\nendstream", begin);
        return bench::onePagePdf(595.28, 841.89, pdf.mid(begin, end - begin));
    }();
    return bytes;
}

void openCold(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        platform::PictureWorkerPool::shared().endIdleWorkers();
        state.ResumeTiming();
        benchmark::DoNotOptimize(platform::PdfPage::firstPage(logo()));
    }
}

void openWarm(benchmark::State& state) {
    benchmark::DoNotOptimize(platform::PdfPage::firstPage(logo()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::PdfPage::firstPage(logo()));
    }
}

void openInProcess(benchmark::State& state) {
    for (auto _ : state) {
        const auto page = inProcess().loadPdfFirstPage(logo());
        benchmark::DoNotOptimize(page->cropBox());
        benchmark::DoNotOptimize(page->trimBox());
        benchmark::DoNotOptimize(page->rotation());
    }
}

void tile(benchmark::State& state) {
    const auto page = platform::PdfPage::firstPage(logo());
    const auto local = inProcess().loadPdfFirstPage(logo());
    const QRect pixels(1024, 512, 512, 512);
    // The same pixels of the crop box, in the page's own space.
    const double scale = 600.0 / 72.0;
    const QRectF box = page->trimBox();
    const QRectF area(box.left() + pixels.x() / scale,
                      box.bottom() - (pixels.y() + pixels.height()) / scale, pixels.width() / scale,
                      pixels.height() / scale);
    double local_s = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(page->render(area, 600, 600, true));
        state.PauseTiming();
        local_s += secondsOf(
            [&] { benchmark::DoNotOptimize(local->render(600, 600, pixels, true, true, 0)); });
        state.ResumeTiming();
    }
    state.counters["in_process_ms"] = local_s / double(state.iterations()) * 1e3;
}

void tilesParallel(benchmark::State& state) {
    const auto page = platform::PdfPage::firstPage(logo());
    auto& pool = platform::compute::Device::systemDefault()->threadPool();
    const QRectF box = page->trimBox();
    constexpr int bands = 16;
    const auto band = [&](std::size_t i) {
        const double height = box.height() / bands;
        return QRectF(box.left(), box.top() + double(i) * height, box.width(), height);
    };
    // As the program did: a document of its own for each band drawn at once.
    std::vector<std::unique_ptr<platform::PdfPageRenderer>> documents;
    for (int i = 0; i < bands; ++i) {
        documents.push_back(inProcess().loadPdfFirstPage(logo()));
    }
    const double scale = 600.0 / 72.0;
    const int width = int(std::ceil(box.width() * scale));
    const int height = int(std::ceil(box.height() * scale / bands));
    double local_s = 0;
    for (auto _ : state) {
        pool.parallelFor(bands, [&](std::size_t i) {
            benchmark::DoNotOptimize(page->render(band(i), 600, 600, true));
        });
        state.PauseTiming();
        local_s += secondsOf([&] {
            pool.parallelFor(bands, [&](std::size_t i) {
                benchmark::DoNotOptimize(documents[i]->render(
                    600, 600, QRect(0, int(i) * height, width, height), true, true, 0));
            });
        });
        state.ResumeTiming();
    }
    state.counters["in_process_ms"] = local_s / double(state.iterations()) * 1e3;
    state.counters["workers"] = double(platform::PictureWorkerPool::shared().processes().size());
    state.counters["threads"] = double(pool.concurrency());
}

void a4Page(benchmark::State& state) {
    const auto page = platform::PdfPage::firstPage(a4());
    for (auto _ : state) {
        benchmark::DoNotOptimize(page->render(page->trimBox(), 600, 600, true));
    }
}

void heic(benchmark::State& state) {
    QFile file(qEnvironmentVariable("LUNVIK_BENCHMARK_HEIC"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("LUNVIK_BENCHMARK_HEIC names no readable HEIC file");
        return;
    }
    const QByteArray data = file.readAll();
    double local_s = 0;
    qint64 pixels = 0;
    for (auto _ : state) {
        const auto decoded = platform::HeifDecoder::decodePrimaryImage(data);
        pixels = decoded ? qint64(decoded->image.width()) * decoded->image.height() : 0;
        state.PauseTiming();
        local_s += secondsOf([&] {
            std::vector<uchar> target;
            inProcess().decodeHeif(data, nullptr,
                                   [&](int, int height, qsizetype bytesPerLine, QImage::Format) {
                                       target.resize(std::size_t(bytesPerLine) * height);
                                       return target.data();
                                   });
        });
        state.ResumeTiming();
    }
    state.counters["in_process_ms"] = local_s / double(state.iterations()) * 1e3;
    state.counters["megapixels"] = double(pixels) / 1e6;
    state.counters["file_MB"] = double(data.size()) / 1e6;
}

} // namespace

BENCHMARK(openCold)->Name("Open/cold")->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(openWarm)->Name("Open/warm")->Unit(benchmark::kMillisecond);
BENCHMARK(openInProcess)->Name("Open/in_process")->Unit(benchmark::kMillisecond);
BENCHMARK(tile)->Name("Tile")->Unit(benchmark::kMillisecond);
BENCHMARK(tilesParallel)->Name("Tiles/parallel")->Unit(benchmark::kMillisecond);
BENCHMARK(a4Page)->Name("A4_page_600dpi")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(heic)->Name("HEIC")->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
