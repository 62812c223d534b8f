// Whole prints of the A4 model's A4 canvas at 600 dpi to the simulator
// program on its socket, as the application prints with a simulated device:
// Print until the device has read the last byte, over a real socket to
// another process. A colour photo (6000 x 4000, as a camera gives it) and the
// gray picture's kind of page are placed across the width.
//
// Each case reports pixels of the canvas per second, the ratios to a
// one-core and an all-core copy of the canvas's gray page and to
// PrintBenchmark's A4 print on the in-memory bus ("A4Prints"), all timed in
// the same run. The first print of a fresh process is timed as the
// application makes it: a JPEG of the photo decoded as a document holds it,
// its gray made ready in the background as a document does when it gets the
// picture, the print started right after the connection is made, with the
// later prints of that process and the resident memory the prints add at
// their peak against the canvas's gray page. One case prints once that
// preparation is done (the user looked at the preview first), the other
// while it is still under way (print pressed at once). Run with
// --benchmark_repetitions=5 for medians of five.

#include "A4Model.h"
#include "A4Print.h"
#include "CopyReference.h"
#include "ProcessStatus.h"

#include "app/tavrin/TavrinConnect.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/pictures/OriginalImage.h"
#include "platform/MainThread.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/usb/SocketUsbHost.h"
#include "platform/usb/UsbHost.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

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

// PrintBenchmark's A4 print on the in-memory bus, which stands in for the
// socket while it prints.
double a4PrintSeconds(const ambrel::PrintTask& task) {
    bench::InMemoryDevice device;
    const double seconds = bench::secondsOf([&] {
        lunvik::TavrinDeviceConnection(task.deviceDescriptor(), ambrel::TransportType::usb)
            .print(task, nullptr);
    });
    platform::MainThread::drain();
    return seconds;
}

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
    bench::CopyReference copy{std::size_t(pixels)};
    const ambrel::PrintTask a4Task = bench::a4GrayPrintTask();
    a4PrintSeconds(a4Task); // its first print is not a later one
    double workSeconds = 0, copySeconds = 0, allCoreSeconds = 0, a4Seconds = 0;
    for (auto _ : state) {
        platform::MainThread::drain();
        const double s = bench::secondsOf([&] { connection.print(task, nullptr); });
        ++printed;
        state.SetIterationTime(s);
        workSeconds += s;
        copySeconds += copy.seconds();
        allCoreSeconds += copy.allCoreSeconds();
        a4Seconds += a4PrintSeconds(a4Task);
    }
    const double n = double(state.iterations());
    state.counters["Gpx/s"] = double(pixels) * n / workSeconds / 1e9;
    bench::reportCopies(state, workSeconds, copySeconds, allCoreSeconds, n);
    state.counters["A4Prints"] = workSeconds / a4Seconds;
    state.counters["A4Print_ms"] = a4Seconds / n * 1e3;
    // The program reports a job once it has read all of it.
    for (int i = 0; i < 100 && simulator.jobCount() < printed; ++i) {
        QThread::msleep(20);
    }
    if (simulator.jobCount() != printed) {
        state.SkipWithError("the simulator program did not receive every job");
    }
}

// --- Fresh processes ---

// The photo as a camera's JPEG, decoded as a document holds it.
ambrel::OriginalImage::Pointer decodedPhoto() {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(picture(QImage::Format_RGB32));
    buffer.close();
    return ambrel::OriginalImage::fromData(jpeg, QUrl::fromLocalFile(QStringLiteral("/photo.jpg")));
}

// Run as a child: the first print of this process to the program on the
// socket, then later ones, both copies of the page and PrintBenchmark's A4
// print. Writes "first later copy allCoreCopy a4Print firstPeakBytes
// peakBytes retainedBytes processPeakBytes" in seconds and bytes: what the
// prints added to the resident memory at the peak of the first, at the peak
// of all, and kept after them, and the whole process's peak through loading,
// preparing and printing (before the copies and the A4 print). The print
// follows the connection at once, as when print is pressed with a device
// just chosen; with waitsForPreparation the picture's preparation has
// finished before, otherwise it is under way.
int printChild(const QString& socket, bool waitsForPreparation) {
    const auto photo = decodedPhoto();
    if (!photo) {
        return 1;
    }
    const auto model = a4Model();
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = ambrel::Size_px{4800, 3200};
    options.imageBitmapConversion = ambrel::BlackConversion::threshold();
    // As a document does when the picture arrives: the picture's gray, and
    // the model's page memory through its plug-in.
    photo->prepareForGrayPrint(options.imageOrientation, options.flipsImageHorizontal);
    lunvik::TavrinConnect(lunvik::TavrinConnect::Region::worldwide).prepareForPrint(model);
    if (waitsForPreparation) {
        platform::OrientedImageCache::waitForPreparations();
    }
    const ambrel::PrintTask task(model, model->canvases().first(), ambrel::TransportType::usb,
                                 ambrel::ImageSource::originalImage(photo, options));
    std::vector<double> later;
    double first = 0;
    qint64 before = 0, firstPeak = 0, peak = 0, after = 0;
    // The peak of the process so far, before it starts again for the prints.
    qint64 processPeak = bench::statusKilobytes("VmHWM:");
    bool reset = false;
    {
        platform::UsbHost::Scope useSocket(std::make_shared<platform::SocketUsbHost>(socket));
        before = bench::statusKilobytes("VmRSS:");
        reset = bench::resetPeak();
        lunvik::TavrinDeviceConnection connection(model, ambrel::TransportType::usb);
        first = bench::secondsOf([&] { connection.print(task, nullptr); });
        firstPeak = bench::statusKilobytes("VmHWM:");
        platform::MainThread::drain();
        for (int i = 0; i < 5; ++i) {
            later.push_back(bench::secondsOf([&] { connection.print(task, nullptr); }));
            platform::MainThread::drain();
        }
        peak = bench::statusKilobytes("VmHWM:");
        after = bench::statusKilobytes("VmRSS:");
    }
    platform::OrientedImageCache::waitForPreparations();
    processPeak = std::max(processPeak, bench::statusKilobytes("VmHWM:"));
    const auto dpi = model->dpi();
    const qint64 pixels =
        dpi.imagePx(task.canvas()->size_mm().width) * dpi.imagePx(task.canvas()->size_mm().height);
    bench::CopyReference copy{std::size_t(pixels)};
    const ambrel::PrintTask a4Task = bench::a4GrayPrintTask();
    a4PrintSeconds(a4Task);
    std::vector<double> copies, allCoreCopies, a4;
    for (int i = 0; i < 5; ++i) {
        copies.push_back(copy.seconds());
        allCoreCopies.push_back(copy.allCoreSeconds());
        a4.push_back(a4PrintSeconds(a4Task));
    }
    const auto bytes = [&](qint64 kilobytes) {
        return reset ? (kilobytes - before) * 1024LL : -1LL;
    };
    std::printf("%.9f %.9f %.9f %.9f %.9f %lld %lld %lld %lld\n", first, bench::median(later),
                bench::median(copies), bench::median(allCoreCopies), bench::median(a4),
                bytes(firstPeak), bytes(peak), (after - before) * 1024LL, processPeak * 1024LL);
    return 0;
}

void firstPrintOfAProcess(benchmark::State& state, bool waitsForPreparation) {
    Simulator simulator;
    if (!simulator.waitUntilServing()) {
        state.SkipWithError("the simulator program did not start serving");
        return;
    }
    const auto model = a4Model();
    const auto dpi = model->dpi();
    const auto canvas = model->canvases().first();
    const double pixels =
        double(dpi.imagePx(canvas->size_mm().width) * dpi.imagePx(canvas->size_mm().height));
    std::vector<double> sums(9, 0.0);
    int printed = 0;
    for (auto _ : state) {
        QProcess child;
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--print-child"), simulator.socket(),
             waitsForPreparation ? QStringLiteral("prepared") : QStringLiteral("preparing")});
        child.waitForFinished(-1);
        const auto fields = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || fields.size() != 9) {
            state.SkipWithError("the child print failed");
            return;
        }
        printed += 6;
        for (size_t i = 0; i < sums.size(); ++i) {
            sums[i] += fields[qsizetype(i)].toDouble();
        }
        state.SetIterationTime(fields[0].toDouble());
    }
    const double n = double(state.iterations());
    state.counters["Gpx/s"] = pixels * n / sums[0] / 1e9;
    bench::reportCopies(state, sums[0], sums[2], sums[3], n);
    state.counters["first/later"] = sums[0] / sums[1];
    state.counters["A4Prints"] = sums[0] / sums[4];
    state.counters["later_A4Prints"] = sums[1] / sums[4];
    state.counters["later_allCoreCopies"] = sums[1] / sums[3];
    state.counters["A4Print_ms"] = sums[4] / n * 1e3;
    state.counters["firstPeak/page"] = sums[5] / n / pixels;
    state.counters["peak/page"] = sums[6] / n / pixels;
    state.counters["retained/page"] = sums[7] / n / pixels;
    state.counters["processPeak_MB"] = sums[8] / n / 1e6;
    for (int i = 0; i < 100 && simulator.jobCount() < printed; ++i) {
        QThread::msleep(20);
    }
    if (simulator.jobCount() != printed) {
        state.SkipWithError("the simulator program did not receive every job");
    }
}

// The user looked at the preview while the picture was prepared.
void BM_FirstSimulatorPrintOfAProcessA4ColourPhoto(benchmark::State& state) {
    firstPrintOfAProcess(state, true);
}
// Print pressed while the picture is still being prepared.
void BM_FirstSimulatorPrintOfAProcessA4ColourPhotoWhilePreparing(benchmark::State& state) {
    firstPrintOfAProcess(state, false);
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
BENCHMARK(BM_FirstSimulatorPrintOfAProcessA4ColourPhoto)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_FirstSimulatorPrintOfAProcessA4ColourPhotoWhilePreparing)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--print-child")) {
        return printChild(arguments[2], arguments[3] == QLatin1String("prepared"));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
