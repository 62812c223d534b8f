// A lower layer (the splitting, without a window or a device): splitting an
// A3 page at 600 dpi (7016 x 9921 pixels), a picture repeated
// three across and six down, into passes of a 4992-dot head that can move
// vertically: drawing, the black conversion, the column scan and the cutting
// into bitmaps. Besides the time, the peak memory the split takes beyond what
// was in use before is reported as a multiple of the page's 8-bit bitmap.
#include "imaging/print/ImageSplitter_px.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/pictures/OriginalImage.h"
#include "platform/Bundle.h"

#include <QFile>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <thread>
#include <unistd.h>

namespace {

std::shared_ptr<const ambrel::DeviceDescriptor> a3Model() {
    const QByteArray json = R"([{"modelName": "A3", "printerType": "bench", "dpi": 600,
        "headDotCount": 4992,
        "canvases": [{"identifier": "A3", "size_mm": {"width": 297, "height": 420}}],
        "offsetBases": ["topLeft"],
        "additionalInfos": {"imageSplit": {"supportsMultipleSequences": true,
                                           "canMoveHeadYPosition": true}}}])";
    return ambrel::DeviceDescriptor::deviceDescriptors(
               json, platform::Bundle::named(QStringLiteral("SplitBenchmark")))
        .first();
}

// A 2000 x 1500 gray picture of rings and a black frame, drawn larger so
// that the splitting scales it.
ambrel::OriginalImage::Pointer picture() {
    const int width = 2000;
    const int height = 1500;
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 2;
            const int dy = y - height / 2;
            const bool frame = x < 40 || y < 40 || x >= width - 40 || y >= height - 40;
            row[x] = frame ? 0 : uchar(((dx * dx + dy * dy) / 997) % 256);
        }
    }
    return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
}

ambrel::PrintTask a3Task(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                         const ambrel::BlackConversion& conversion) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageBitmapConversion = conversion;
    options.imageSize_px = {2200, 1600};
    options.imageOffsetBase = ambrel::OffsetBase::center;
    options.imageRepeatXCount = 3;
    options.imageRepeatYCount = 6;
    options.imageRepeatXMargin_mm = 2;
    options.imageRepeatYMargin_mm = 2;
    options.minimumSeparatedXMargin_mm = 1;
    return ambrel::PrintTask(model, model->canvases().first(), ambrel::TransportType::usb,
                             ambrel::ImageSource::originalImage(picture(), options));
}

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

void split(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    const auto model = a3Model();
    const auto task = a3Task(model, conversion);
    const qint64 pageBytes = model->dpi().imagePx(297.0) * model->dpi().imagePx(420.0);
    // One split first, so one-time set-up (the compute pool, the kernels)
    // is not counted.
    qint64 bitmaps =
        quenta::ImageSplitter_px::generateBitmaps_px(*model, task, nullptr, false).size();
    double worst = 0;
    for (auto _ : state) {
        // Freed memory the allocator still holds would hide what the split takes.
        malloc_trim(0);
        const qint64 before = residentBytes();
        std::atomic<qint64> peak{before};
        std::atomic<bool> running{true};
        std::thread sampler([&] {
            while (running) {
                peak = std::max(peak.load(), residentBytes());
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });
        auto records = quenta::ImageSplitter_px::generateBitmaps_px(*model, task, nullptr, false);
        peak = std::max(peak.load(), residentBytes());
        running = false;
        sampler.join();
        bitmaps = records.size();
        benchmark::DoNotOptimize(records.data());
        worst = std::max(worst, double(peak - before) / double(pageBytes));
    }
    state.counters["bitmaps"] = double(bitmaps);
    state.counters["peakMemoryPerPage"] = worst;
    state.counters["Mpx/s"] =
        benchmark::Counter(double(pageBytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SplitA3Threshold(benchmark::State& state) {
    split(state, ambrel::BlackConversion::threshold());
}
void BM_SplitA3Halftone(benchmark::State& state) {
    split(state, ambrel::BlackConversion::halftone());
}

} // namespace

BENCHMARK(BM_SplitA3Threshold)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitA3Halftone)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
