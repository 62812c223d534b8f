// A one-page vector PDF logo printed at its own size on the A4 model, from
// Print to the job's last byte on the in-memory device: the whole print,
// rendering, conversion, packing and sending. Beside it, in the same
// iteration, Ghostscript renders the same page at 1 bit and 600 dpi, whole
// process (`gs -sDEVICE=pbmraw -r600`; skipped when gs is not installed),
// and the page's rendering alone is timed as one band, the way the print
// rendered a vector page before its bands ran on the compute workers
// (`one_band_render_ms`, smoothed or not as the case's conversion has it),
// and in bands (`banded_render_ms`).

#include "A4Model.h"
#include "A4Print.h"

#include "app/tavrin/TavrinBitmapRenderer.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "model/pictures/OriginalImage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

// A one-page PDF document of the page size (points) and content stream.
QByteArray onePagePdf(double width, double height, const QByteArray& content) {
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(width) + ' ' +
            QByteArray::number(height) + "] /Contents 4 0 R /Resources << >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream",
    };
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

// A logo of 180 x 120 mm: rings of petals drawn with curves, a sun of thin
// rays, a bold frame and lines of letter-like strokes.
QByteArray logoPdf() {
    const double w = 180 / 25.4 * 72;
    const double h = 120 / 25.4 * 72;
    QString content = QStringLiteral("0 0 0 rg 0 0 0 RG ");
    content += QStringLiteral("6 w 12 12 %1 %2 re S ").arg(w - 24).arg(h - 24);
    const double cx = w * 0.3;
    const double cy = h * 0.55;
    for (int i = 0; i < 240; ++i) {
        const double a = i * std::numbers::pi / 24;
        const double b = a + std::numbers::pi / 48;
        const double r = 40 + (i / 48) * 18;
        content += QStringLiteral("%1 %2 m %3 %4 %5 %6 %1 %2 c f ")
                       .arg(cx)
                       .arg(cy)
                       .arg(cx + r * std::cos(a))
                       .arg(cy + r * std::sin(a))
                       .arg(cx + r * std::cos(b))
                       .arg(cy + r * std::sin(b));
    }
    content += QStringLiteral("0.6 w ");
    for (int i = 0; i < 90; ++i) {
        const double a = i * std::numbers::pi / 45;
        content += QStringLiteral("%1 %2 m %3 %4 l S ")
                       .arg(cx + 120 * std::cos(a))
                       .arg(cy + 120 * std::sin(a))
                       .arg(cx + 135 * std::cos(a))
                       .arg(cy + 135 * std::sin(a));
    }
    content += QStringLiteral("5 w 1 J ");
    for (int line = 0; line < 6; ++line) {
        const double y = h * 0.8 - line * 50;
        for (int letter = 0; letter < 12; ++letter) {
            const double x = w * 0.55 + letter * 19;
            content += QStringLiteral("%1 %2 m %3 %4 %5 %6 %7 %8 c S ")
                           .arg(x)
                           .arg(y)
                           .arg(x + 14)
                           .arg(y + 30 + letter % 3 * 6)
                           .arg(x - 4)
                           .arg(y + 44)
                           .arg(x + 10)
                           .arg(y + 58);
        }
    }
    return onePagePdf(w, h, content.toLatin1());
}

struct Logo {
    QTemporaryDir folder;
    QString path;
    QByteArray bytes = logoPdf();
    ambrel::OriginalImage::Pointer page;
    std::shared_ptr<const ambrel::DeviceDescriptor> model = bench::a4Model();

    Logo() {
        path = folder.filePath(QStringLiteral("logo.pdf"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        page = ambrel::OriginalImage::fromData(bytes, QUrl::fromLocalFile(path));
    }

    ambrel::PrintTask task(const ambrel::BlackConversion& conversion) const {
        ambrel::OriginalImageDrawingOptions options;
        options.imageSize_px = page->size_px(model->dpi());
        options.imageBitmapConversion = conversion;
        return ambrel::PrintTask(model, model->canvases().first(), ambrel::TransportType::usb,
                                 ambrel::ImageSource::originalImage(page, options));
    }
};

Logo& logo() {
    static Logo l;
    return l;
}

// The whole gs process; a negative time when gs is not there.
double ghostscript_ms(const QString& pdf) {
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty()) {
        return -1;
    }
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(gs, {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                       QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=pbmraw"),
                       QStringLiteral("-r600"), QStringLiteral("-sOutputFile=/dev/null"), pdf});
    process.waitForFinished(-1);
    return process.exitCode() == 0 ? timer.nsecsElapsed() / 1e6 : -1;
}

double render_ms(const Logo& l, int bands) {
    const auto task = l.task(ambrel::BlackConversion::threshold());
    QElapsedTimer timer;
    timer.start();
    const auto info = lunvik::TavrinBitmapRenderer::renderGray(
        {l.model->dpi(), l.model->additionalInfos()}, task.canvas()->size_mm(), task.imageSource(),
        nullptr, bands);
    benchmark::DoNotOptimize(info.bitmap.constBits());
    return timer.nsecsElapsed() / 1e6;
}

void print(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    Logo& l = logo();
    if (!l.page || !l.model) {
        state.SkipWithError("no logo page or no model");
        return;
    }
    const auto task = l.task(conversion);
    bench::InMemoryDevice device;
    double printSum = 0, gsSum = 0, oneBandSum = 0, bandedSum = 0;
    int gsRuns = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        lunvik::TavrinDeviceConnection(l.model, ambrel::TransportType::usb).print(task, nullptr);
        const double printed = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(printed / 1e3);
        printSum += printed;
        if (device.usb.device().jobs().size() != 1) {
            state.SkipWithError("the device took no job");
            return;
        }
        device.usb.device().clearHistory();
        if (const double gs = ghostscript_ms(l.path); gs >= 0) {
            gsSum += gs;
            ++gsRuns;
        }
        oneBandSum += render_ms(l, 1);
        bandedSum += render_ms(l, 0);
    }
    const double n = double(state.iterations());
    state.counters["print_ms"] = printSum / n;
    if (gsRuns > 0) {
        state.counters["gs_1bit_600dpi_ms"] = gsSum / gsRuns;
        state.counters["print/gs"] = (printSum / n) / (gsSum / gsRuns);
    }
    state.counters["one_band_render_ms"] = oneBandSum / n;
    state.counters["banded_render_ms"] = bandedSum / n;
    const auto size = l.page->size_px(l.model->dpi());
    state.counters["page_px"] = double(size.width * size.height);
    state.counters["dpi"] = l.model->dpi().rawValue();
}

void BM_VectorLogoPrintToLastByte_Threshold(benchmark::State& state) {
    print(state, ambrel::BlackConversion::threshold());
}

void BM_VectorLogoPrintToLastByte_Halftone(benchmark::State& state) {
    print(state, ambrel::BlackConversion::halftone());
}

} // namespace

BENCHMARK(BM_VectorLogoPrintToLastByte_Threshold)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_VectorLogoPrintToLastByte_Halftone)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The logo alone, for other renderers by hand.
    if (argc >= 3 && QByteArray(argv[1]) == "--write-logo") {
        QFile file(QString::fromLocal8Bit(argv[2]));
        return file.open(QIODevice::WriteOnly) && file.write(logoPdf()) > 0 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
