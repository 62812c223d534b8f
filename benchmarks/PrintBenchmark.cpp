// A whole stencil print of an A4 canvas at the model's 600 dpi: rendering the
// placed picture, the black conversion, packing the columns and sending them
// over the USB transport to the simulated device on the in-memory bus, which
// parses the stream as the device would.
#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinBitmapRenderer.h"
#include "app/tavrin/TavrinConnect.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "model/DeviceDescriptor.h"
#include "model/OriginalImage.h"
#include "model/PrintTask.h"
#include "platform/MainThread.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

std::shared_ptr<const ambrel::DeviceDescriptor> a4Model() {
    const lunvik::TavrinConnect plugin(lunvik::TavrinConnect::Region::worldwide);
    for (const auto& d : plugin.deviceDescriptors()) {
        if (d->modelName() == lunvik::TavrinConnect::worldwideModelName) {
            return d;
        }
    }
    return nullptr;
}

// A 2400 x 3400 gray picture with gradients and shapes, drawn at twice its
// size so that the rendering scales it.
ambrel::OriginalImage::Pointer picture() {
    QImage image(2400, 3400, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            row[x] = uchar((x * 255 / image.width() + y * 255 / image.height()) / 2);
        }
    }
    QPainter painter(&image);
    painter.setBrush(Qt::black);
    for (int i = 0; i < 40; ++i) {
        painter.drawEllipse(QPoint(120 + (i % 8) * 290, 200 + (i / 8) * 650), 100, 180);
    }
    painter.end();
    return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
}

ambrel::PrintTask a4Task(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                         const ambrel::BlackConversion& conversion) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {4800, 6800};
    options.imageBitmapConversion = conversion;
    return ambrel::PrintTask(model, model->canvases().first(), ambrel::TransportType::usb,
                             ambrel::ImageSource::originalImage(picture(), options));
}

qint64 canvasPixels(const ambrel::PrintTask& task) {
    const auto dpi = task.deviceDescriptor()->dpi();
    return dpi.imagePx(task.canvas()->size_mm().width) *
           dpi.imagePx(task.canvas()->size_mm().height);
}

void wholePrint(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    const auto model = a4Model();
    const auto task = a4Task(model, conversion);
    lunvik::TavrinSimulatorUsb usb;
    // One print first, so one-time set-up (the compute pool, the kernels) is
    // not counted.
    lunvik::TavrinDeviceConnection(model, ambrel::TransportType::usb).print(task, nullptr);
    usb.device().clearHistory();
    usb.usbDevice().clearWrites();
    platform::MainThread::drain();
    for (auto _ : state) {
        lunvik::TavrinDeviceConnection connection(model, ambrel::TransportType::usb);
        connection.print(task, nullptr);
        state.PauseTiming();
        if (usb.device().jobs().size() != 1) {
            state.SkipWithError("the device did not receive the job");
            break;
        }
        usb.device().clearHistory();
        usb.usbDevice().clearWrites();
        platform::MainThread::drain();
        state.ResumeTiming();
    }
    state.counters["Mpx/s"] = benchmark::Counter(double(canvasPixels(task)) / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void renderOnly(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    const auto model = a4Model();
    const auto task = a4Task(model, conversion);
    const lunvik::TavrinBitmapRenderer::Device device{model->dpi(), model->additionalInfos()};
    for (auto _ : state) {
        auto info = lunvik::TavrinBitmapRenderer::render(device, task.canvas()->size_mm(),
                                                         task.imageSource(), nullptr);
        benchmark::DoNotOptimize(info.bitmap.constBits());
    }
    state.counters["Mpx/s"] = benchmark::Counter(double(canvasPixels(task)) / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void BM_WholePrintThreshold(benchmark::State& state) {
    wholePrint(state, ambrel::BlackConversion::threshold());
}
void BM_WholePrintHalftone(benchmark::State& state) {
    wholePrint(state, ambrel::BlackConversion::halftone());
}
void BM_RenderAndConvertThreshold(benchmark::State& state) {
    renderOnly(state, ambrel::BlackConversion::threshold());
}
void BM_RenderAndConvertHalftone(benchmark::State& state) {
    renderOnly(state, ambrel::BlackConversion::halftone());
}

} // namespace

BENCHMARK(BM_WholePrintThreshold)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholePrintHalftone)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderAndConvertThreshold)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderAndConvertHalftone)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
