// The print below the window, in memory (no document, no window, no wire;
// SimulatorPrintBenchmark sends over a socket, ApplicationOpenBenchmark
// prints from the window): whole stencil prints at the model's 600 dpi,
// rendering the placed picture, the black conversion, packing the columns
// and handing them to the USB transport of the simulated device on the
// in-memory bus. The A4
// model's A4 canvas, and an A3 canvas on a model whose head spans it.
//
// Every case reports pixels of the canvas per second and the ratios to a
// one-core and an all-core copy of the canvas's gray page, timed in the same
// run. The first print of a process is timed in a fresh process of this
// program per iteration (run with --benchmark_repetitions=5 for a median of
// five), started right after the connection is made, which also gives the
// later prints of that process, the peak memory of its first print against
// the gray page and the peak memory of the whole process.

#include "A4Model.h"
#include "A4Print.h"
#include "CopyReference.h"
#include "ProcessStatus.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinBitmapRenderer.h"
#include "app/tavrin/TavrinConnect.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/pictures/OriginalImage.h"
#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using bench::a4Model;

// The A4 model's description with an A3 canvas and a head of 7024 dots, so
// that every dot of the 7016 across the canvas is printed.
std::shared_ptr<const ambrel::DeviceDescriptor> a3Model() {
    const QByteArray json = R"([{
        "modelName": "Tavrin a3 bench", "printerType": "vessik", "headDotCount": 7024, "dpi": 600,
        "canvases": [{"identifier": "A3", "size_mm": {"width": 297, "height": 420}}],
        "offsetBases": ["center"],
        "parameterProperties": [{"type": "number", "identifier": "density",
                                 "minValue": -8, "maxValue": 8, "defaultValue": 0}],
        "additionalInfos": {"BlackConversion": {"halftone": {"deviceGamma": 1.2}}}
    }])";
    return ambrel::DeviceDescriptor::deviceDescriptors(json, lunvik::TavrinConnect::pluginBundle())
        .first();
}

// A 6000 x 4000 colour photograph's stand-in (opaque, as a JPEG decodes):
// colour gradients and shapes, drawn scaled across the A4 canvas.
ambrel::OriginalImage::Pointer colourPicture() {
    static const auto original = [] {
        QImage image(6000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                row[x] =
                    qRgb(x * 255 / image.width(), y * 255 / image.height(), (x + y) / 40 % 256);
            }
        }
        QPainter painter(&image);
        painter.setBrush(QColor(200, 40, 30));
        for (int i = 0; i < 40; ++i) {
            painter.drawEllipse(QPoint(300 + (i % 8) * 730, 400 + (i / 8) * 780), 250, 300);
        }
        painter.end();
        return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
    }();
    return original;
}

enum class Page { a4, a3, a4Colour };

struct Job {
    std::shared_ptr<const ambrel::DeviceDescriptor> model;
    ambrel::PrintTask task;
    qint64 pixels;
};

Job job(Page page, const ambrel::BlackConversion& conversion) {
    auto model = page == Page::a3 ? a3Model() : a4Model();
    ambrel::OriginalImageDrawingOptions options;
    // Twice the picture's size on A4, nearly the whole canvas on A3; the
    // colour picture across the A4 canvas's width.
    options.imageSize_px = page == Page::a4   ? bench::a4GrayPictureSize
                           : page == Page::a3 ? ambrel::Size_px{6800, 9633}
                                              : ambrel::Size_px{4800, 3200};
    options.imageBitmapConversion = conversion;
    ambrel::PrintTask task(
        model, model->canvases().first(), ambrel::TransportType::usb,
        ambrel::ImageSource::originalImage(
            page == Page::a4Colour ? colourPicture() : bench::a4GrayPicture(), options));
    const auto dpi = model->dpi();
    const qint64 pixels =
        dpi.imagePx(task.canvas()->size_mm().width) * dpi.imagePx(task.canvas()->size_mm().height);
    return Job{std::move(model), std::move(task), pixels};
}

ambrel::BlackConversion conversionNamed(const QString& name) {
    if (name == QLatin1String("widen")) {
        return ambrel::BlackConversion::threshold({0.5, 5});
    }
    return name == QLatin1String("halftone") ? ambrel::BlackConversion::halftone()
                                             : ambrel::BlackConversion::threshold();
}

void printOnce(const Job& j) {
    lunvik::TavrinDeviceConnection(j.model, ambrel::TransportType::usb).print(j.task, nullptr);
}

void printOnce(lunvik::TavrinDeviceConnection& connection, const Job& j) {
    connection.print(j.task, nullptr);
}

using Device = bench::InMemoryDevice;

void forget(lunvik::TavrinSimulatorUsb& usb) {
    usb.device().clearHistory();
    usb.usbDevice().clearWrites();
    platform::MainThread::drain();
}

void laterPrints(benchmark::State& state, Page page, const ambrel::BlackConversion& conversion) {
    const Job j = job(page, conversion);
    Device device;
    auto& usb = device.usb;
    // The first print of the process is its own case.
    printOnce(j);
    bool received = usb.device().jobs().size() == 1;
    bench::measure(
        state, double(j.pixels), std::size_t(j.pixels),
        [&] {
            received = received && usb.device().jobs().size() == 1;
            forget(usb);
        },
        [&] { printOnce(j); });
    if (!received || usb.device().jobs().size() != 1) {
        state.SkipWithError("the device did not receive every job");
    }
}

void BM_WholePrintA4Threshold(benchmark::State& state) {
    laterPrints(state, Page::a4, ambrel::BlackConversion::threshold());
}
void BM_WholePrintA4Halftone(benchmark::State& state) {
    laterPrints(state, Page::a4, ambrel::BlackConversion::halftone());
}
// The A4 model offers the widening of black: the widest level.
void BM_WholePrintA4ThresholdWidenBlack(benchmark::State& state) {
    laterPrints(state, Page::a4, ambrel::BlackConversion::threshold({0.5, 5}));
}
void BM_WholePrintA3Threshold(benchmark::State& state) {
    laterPrints(state, Page::a3, ambrel::BlackConversion::threshold());
}
// A colour photograph, as users print them.
void BM_WholePrintA4ColourPhotoThreshold(benchmark::State& state) {
    laterPrints(state, Page::a4Colour, ambrel::BlackConversion::threshold());
}

void renderAndConvert(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    const Job j = job(Page::a4, conversion);
    const lunvik::TavrinBitmapRenderer::Device device{j.model->dpi(), j.model->additionalInfos()};
    bench::measure(
        state, double(j.pixels), std::size_t(j.pixels), [] {},
        [&] {
            auto info = lunvik::TavrinBitmapRenderer::render(device, j.task.canvas()->size_mm(),
                                                             j.task.imageSource(), nullptr);
            benchmark::DoNotOptimize(info.bitmap.constBits());
        });
}

void BM_RenderAndConvertA4Threshold(benchmark::State& state) {
    renderAndConvert(state, ambrel::BlackConversion::threshold());
}
void BM_RenderAndConvertA4Halftone(benchmark::State& state) {
    renderAndConvert(state, ambrel::BlackConversion::halftone());
}

// --- Fresh processes ---

constexpr int laterPrintCount = 5;

using bench::median;
using bench::statusKilobytes;

// Run as a child: the first print of this process, then later ones, both
// copies of the page, the memory the first print took at its peak and the
// whole process's peak. Writes "first later copy allCoreCopy peakBytes touch
// processPeakBytes" in seconds and bytes. The print follows the connection at
// once, as when print is pressed with a device just chosen: nothing the
// connection prepares is given time to finish first.
int printChild(Page page, const QString& conversion) {
    const Job j = job(page, conversionNamed(conversion));
    Device device;
    auto& usb = device.usb;
    const qint64 before = statusKilobytes("VmRSS:");
    const qint64 setUpPeak = statusKilobytes("VmHWM:");
    // Lets the high-water mark start again from what is resident now. The
    // memory the connection keeps ready for the print counts as the print's.
    const bool reset = bench::resetPeak();
    lunvik::TavrinDeviceConnection connection(j.model, ambrel::TransportType::usb);
    const double first = bench::secondsOf([&] { printOnce(connection, j); });
    const qint64 peak = statusKilobytes("VmHWM:");
    forget(usb);
    std::vector<double> later;
    for (int i = 0; i < laterPrintCount; ++i) {
        later.push_back(bench::secondsOf([&] { printOnce(connection, j); }));
        forget(usb);
    }
    // What the first touch of fresh memory of the page's size costs here,
    // faulted on all workers as the drawing bands fault the print's bitmap:
    // the part of the first print that no reuse can save.
    const double touch = bench::secondsOf([&] {
        auto& pool = platform::compute::Device::systemDefault()->threadPool();
        // Twice the page, so that no block kept from the prints is taken.
        auto fresh = platform::compute::TextureMemory::allocate(
            2 * std::size_t(j.pixels), pool, platform::compute::TextureMemory::Contents::undefined);
        constexpr std::size_t chunk = std::size_t(1) << 20;
        pool.parallelFor(std::size_t(j.pixels) / chunk, [&](std::size_t i) {
            std::memset(fresh.bytes() + i * chunk, 255, chunk);
        });
    });
    bench::CopyReference copy{std::size_t(j.pixels)};
    std::vector<double> copies;
    std::vector<double> allCoreCopies;
    for (int i = 0; i < 5; ++i) {
        copies.push_back(copy.seconds());
        allCoreCopies.push_back(copy.allCoreSeconds());
    }
    // Before the reset the mark held the set-up's peak; after it, the rest.
    const qint64 processPeak = std::max(setUpPeak, statusKilobytes("VmHWM:"));
    std::printf("%.9f %.9f %.9f %.9f %lld %.9f %lld\n", first, median(later), median(copies),
                median(allCoreCopies), reset ? (peak - before) * 1024LL : -1LL, touch,
                processPeak * 1024LL);
    return 0;
}

void freshProcesses(benchmark::State& state, const char* page, const char* conversion) {
    const Job j = job(QLatin1String(page) == QLatin1String("a3") ? Page::a3 : Page::a4,
                      conversionNamed(QLatin1String(conversion)));
    double firstSum = 0, laterSum = 0, copySum = 0, allCoreSum = 0, peakSum = 0, touchSum = 0;
    double processPeakSum = 0;
    for (auto _ : state) {
        QProcess child;
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--print-child"), QLatin1String(page), QLatin1String(conversion)});
        child.waitForFinished(-1);
        const auto fields = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || fields.size() != 7) {
            state.SkipWithError("the child print failed");
            return;
        }
        const double first = fields[0].toDouble();
        state.SetIterationTime(first);
        firstSum += first;
        laterSum += fields[1].toDouble();
        copySum += fields[2].toDouble();
        allCoreSum += fields[3].toDouble();
        peakSum += fields[4].toDouble();
        touchSum += fields[5].toDouble();
        processPeakSum += fields[6].toDouble();
    }
    const double n = double(state.iterations());
    state.counters["Gpx/s"] = double(j.pixels) * n / firstSum / 1e9;
    bench::reportCopies(state, firstSum, copySum, allCoreSum, n);
    state.counters["first/later"] = firstSum / laterSum;
    state.counters["later_copies"] = laterSum / copySum;
    state.counters["later_allCoreCopies"] = laterSum / allCoreSum;
    state.counters["peak/page"] = peakSum / n / double(j.pixels);
    state.counters["process_MB"] = processPeakSum / n / 1e6;
    state.counters["process/page"] = processPeakSum / n / double(j.pixels);
    state.counters["touch_ms"] = touchSum / n * 1e3;
}

void BM_FirstPrintOfAProcessA4Threshold(benchmark::State& state) {
    freshProcesses(state, "a4", "threshold");
}
void BM_FirstPrintOfAProcessA4Halftone(benchmark::State& state) {
    freshProcesses(state, "a4", "halftone");
}
void BM_FirstPrintOfAProcessA4ThresholdWidenBlack(benchmark::State& state) {
    freshProcesses(state, "a4", "widen");
}
void BM_FirstPrintOfAProcessA3Threshold(benchmark::State& state) {
    freshProcesses(state, "a3", "threshold");
}

} // namespace

BENCHMARK(BM_WholePrintA4Threshold)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_WholePrintA4Halftone)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_WholePrintA4ThresholdWidenBlack)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_WholePrintA3Threshold)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_WholePrintA4ColourPhotoThreshold)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_RenderAndConvertA4Threshold)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_RenderAndConvertA4Halftone)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_FirstPrintOfAProcessA4Threshold)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_FirstPrintOfAProcessA4Halftone)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_FirstPrintOfAProcessA4ThresholdWidenBlack)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_FirstPrintOfAProcessA3Threshold)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--print-child")) {
        return printChild(arguments[2] == QLatin1String("a3") ? Page::a3 : Page::a4, arguments[3]);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
