// Whole prints of the A4 model's A4 canvas at 600 dpi to the simulator
// program on its socket, as the application prints with a simulated device:
// Print until the device has read the last byte, over a real socket to
// another process. A colour photo (6000 x 4000, as a camera gives it) and the
// gray picture's kind of page are placed across the width.
//
// Each case reports pixels of the canvas per second and the ratios to a
// one-core and an all-core copy of the canvas's gray page, timed in the same
// run. The first print of a process and its memory are PrintBenchmark's.

#include "A4Model.h"
#include "CopyReference.h"

#include "app/tavrin/TavrinConnect.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/pictures/OriginalImage.h"
#include "platform/MainThread.h"
#include "platform/usb/SocketUsbHost.h"
#include "platform/usb/UsbHost.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

using bench::a4Model;

// Smooth colour gradients with grain, so that no step can take a shortcut
// over flat or gray pixels.
QImage picture(QImage::Format format) {
    QImage image(6000, 4000, format);
    std::minstd_rand random(7);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random() % 17) - 8;
            const int r = std::clamp(x * 255 / image.width() + grain, 0, 255);
            const int g = std::clamp(y * 255 / image.height() - grain, 0, 255);
            const int b = std::clamp((x + y) * 255 / (image.width() + image.height()), 0, 255);
            image.setPixel(x, y, qRgb(r, g, b));
        }
    }
    return image;
}

// The simulator program serving a socket in a folder of its own, for one case.
class Simulator {
public:
    Simulator() : m_socket(m_folder.filePath(QStringLiteral("stencil.sock"))) {
        m_process.setProgram(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/lunvik-tavrin-simulator"));
        m_process.setArguments({QStringLiteral("--socket"), m_socket});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
    }
    ~Simulator() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool waitUntilServing() {
        for (int i = 0; i < 200 && m_process.state() != QProcess::NotRunning; ++i) {
            m_process.waitForReadyRead(50);
            if (m_output += m_process.readAll(); m_output.contains("serving")) {
                return QFile::exists(m_socket);
            }
        }
        return false;
    }
    // Jobs the program reported as received so far.
    int jobCount() {
        m_process.waitForReadyRead(0);
        m_output += m_process.readAll();
        const auto lines = m_output.split('\n');
        return int(std::count_if(lines.begin(), lines.end(),
                                 [](const QByteArray& l) { return l.startsWith("job "); }));
    }
    const QString& socket() const { return m_socket; }

private:
    QTemporaryDir m_folder;
    QString m_socket;
    QProcess m_process;
    QByteArray m_output;
};

void printToSimulator(benchmark::State& state, QImage::Format format) {
    Simulator simulator;
    if (!simulator.waitUntilServing()) {
        state.SkipWithError("the simulator program did not start serving");
        return;
    }
    platform::UsbHost::Scope useSocket(
        std::make_shared<platform::SocketUsbHost>(simulator.socket()));
    const auto model = a4Model();
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = ambrel::Size_px{4800, 3200};
    options.imageBitmapConversion = ambrel::BlackConversion::threshold();
    const ambrel::PrintTask task(
        model, model->canvases().first(), ambrel::TransportType::usb,
        ambrel::ImageSource::originalImage(
            ambrel::OriginalImage::fromImage(picture(format), {}, {}, 1), options));
    const auto dpi = model->dpi();
    const qint64 pixels =
        dpi.imagePx(task.canvas()->size_mm().width) * dpi.imagePx(task.canvas()->size_mm().height);
    lunvik::TavrinDeviceConnection connection(model, ambrel::TransportType::usb);
    int printed = 0;
    bench::measure(
        state, double(pixels), std::size_t(pixels), [] { platform::MainThread::drain(); },
        [&] {
            connection.print(task, nullptr);
            ++printed;
        });
    // The program reports a job once it has read all of it.
    for (int i = 0; i < 100 && simulator.jobCount() < printed; ++i) {
        QThread::msleep(20);
    }
    if (simulator.jobCount() != printed) {
        state.SkipWithError("the simulator program did not receive every job");
    }
}

void BM_SimulatorPrintA4ColourPhoto(benchmark::State& state) {
    printToSimulator(state, QImage::Format_RGB32);
}
void BM_SimulatorPrintA4GrayPicture(benchmark::State& state) {
    printToSimulator(state, QImage::Format_Grayscale8);
}

} // namespace

BENCHMARK(BM_SimulatorPrintA4ColourPhoto)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SimulatorPrintA4GrayPicture)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
