// One-page vector PDFs (a logo, a page of running text, a page of hairlines:
// `page` 0, 1, 2) printed at their own size on the A4 model, from Print to
// the job's last byte on the in-memory device: the whole print,
// rendering, conversion, packing and sending. Beside it, in the same
// iteration, Ghostscript renders the same page at 1 bit and 600 dpi, whole
// process (`gs -sDEVICE=pbmraw -r600`; skipped when gs is not installed).
// Each print is of a picture loaded afresh, which renders its page; the same
// picture is then printed again from the rendering it kept
// (`kept_rendering_print_ms`). The bitmap's drawing alone of a fresh picture
// is timed in one band, the page's strips made one after another
// (`one_band_render_ms`), and in bands on the compute workers
// (`banded_render_ms`). Medians of the iterations.
//
// The Program cases print through the real program instead, as a script
// does: `Lunvik` in a child process, D-Bus LoadImage and Print to the
// simulator program on its socket, timed from the Print call until the
// simulator has read the job's last byte, with Ghostscript's render of the
// same file in the same iteration; for the logo, a page of running text and a
// page of hairlines (`page`: 0, 1, 2), each print rendering the page
// (`rendered`: 1) or taking the rendering the canvas's preview made of it
// (0). ProgramFirstPrint starts a fresh program for every iteration and
// times its first print against a later one, both rendering the page or both
// taking the preview's rendering.
// They need a session bus: run them under tools/with-session-bus.sh.

#include "A4Model.h"
#include "A4Print.h"
#include "ProcessStatus.h"
#include "ProgramPrinter.h"
#include "VectorLogo.h"
#include "VectorPages.h"

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
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

// The pages the cases print, by their argument `page`.
QByteArray pageBytes(int page) {
    switch (page) {
    case 1:
        return bench::textPdf();
    case 2:
        return bench::hairlinePdf();
    default:
        return bench::logoPdf();
    }
}

QString pageName(int page) {
    return QString::fromLatin1(page == 1 ? "text.pdf" : page == 2 ? "hairlines.pdf" : "logo.pdf");
}

struct Page {
    QTemporaryDir folder;
    QString path;
    QByteArray bytes;
    std::shared_ptr<const ambrel::DeviceDescriptor> model = bench::a4Model();

    explicit Page(int which) : bytes(pageBytes(which)) {
        path = folder.filePath(pageName(which));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
    }

    // A picture of the page of its own, which keeps no rendering yet.
    ambrel::OriginalImage::Pointer picture() const {
        return ambrel::OriginalImage::fromData(bytes, QUrl::fromLocalFile(path));
    }

    ambrel::PrintTask task(const ambrel::OriginalImage::Pointer& page,
                           const ambrel::BlackConversion& conversion) const {
        ambrel::OriginalImageDrawingOptions options;
        options.imageSize_px = page->size_px(model->dpi());
        options.imageBitmapConversion = conversion;
        return ambrel::PrintTask(model, model->canvases().first(), ambrel::TransportType::usb,
                                 ambrel::ImageSource::originalImage(page, options));
    }
};

Page& pageOf(int which) {
    static Page pages[] = {Page(0), Page(1), Page(2)};
    return pages[std::clamp(which, 0, 2)];
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

double render_ms(const Page& l, int bands) {
    const auto task = l.task(l.picture(), ambrel::BlackConversion::threshold());
    QElapsedTimer timer;
    timer.start();
    const auto info = lunvik::TavrinBitmapRenderer::renderGray(
        {l.model->dpi(), l.model->additionalInfos()}, task.canvas()->size_mm(), task.imageSource(),
        nullptr, bands);
    benchmark::DoNotOptimize(info.bitmap.constBits());
    return timer.nsecsElapsed() / 1e6;
}

void print(benchmark::State& state, const ambrel::BlackConversion& conversion) {
    const Page& l = pageOf(int(state.range(0)));
    if (!l.picture() || !l.model) {
        state.SkipWithError("no page or no model");
        return;
    }
    bench::InMemoryDevice device;
    std::vector<double> prints, kept, references, oneBand, banded;
    const auto timed = [&](const ambrel::PrintTask& task) {
        QElapsedTimer timer;
        timer.start();
        lunvik::TavrinDeviceConnection(l.model, ambrel::TransportType::usb).print(task, nullptr);
        const double printed = timer.nsecsElapsed() / 1e6;
        const bool sent = device.usb.device().jobs().size() == 1;
        device.usb.device().clearHistory();
        return sent ? printed : -1;
    };
    for (auto _ : state) {
        // A picture loaded afresh renders its page; printed again, it takes
        // the rendering it kept.
        const auto task = l.task(l.picture(), conversion);
        const double printed = timed(task);
        const double again = timed(task);
        if (printed < 0 || again < 0) {
            state.SkipWithError("the device took no job");
            return;
        }
        state.SetIterationTime(printed / 1e3);
        prints.push_back(printed);
        kept.push_back(again);
        if (const double gs = ghostscript_ms(l.path); gs >= 0) {
            references.push_back(gs);
        }
        oneBand.push_back(render_ms(l, 1));
        banded.push_back(render_ms(l, 0));
    }
    state.counters["print_ms"] = bench::median(prints);
    state.counters["kept_rendering_print_ms"] = bench::median(kept);
    if (!references.empty()) {
        state.counters["gs_1bit_600dpi_ms"] = bench::median(references);
        state.counters["print/gs"] = bench::median(prints) / bench::median(references);
    }
    state.counters["one_band_render_ms"] = bench::median(oneBand);
    state.counters["banded_render_ms"] = bench::median(banded);
    const auto size = l.picture()->size_px(l.model->dpi());
    state.counters["page_px"] = double(size.width * size.height);
    state.counters["dpi"] = l.model->dpi().rawValue();
}

void BM_VectorPrintToLastByte_Threshold(benchmark::State& state) {
    print(state, ambrel::BlackConversion::threshold());
}

// A threshold off the middle gray (so the page is rendered smoothed) with
// black widened by two levels: the widening reads the rows around each dot.
void BM_VectorPrintToLastByte_WidenedThreshold(benchmark::State& state) {
    print(state, ambrel::BlackConversion::threshold({0.6, 2}));
}

void BM_VectorPrintToLastByte_Halftone(benchmark::State& state) {
    print(state, ambrel::BlackConversion::halftone());
}

// One program at a time answers on the bus: the cases share it and the
// first-print case makes its own after this one has gone.
std::unique_ptr<bench::ProgramPrinter>& sharedProgram() {
    static std::unique_ptr<bench::ProgramPrinter> program;
    return program;
}

std::unique_ptr<bench::ProgramPrinter> startProgram() {
    return std::make_unique<bench::ProgramPrinter>(QStringLiteral(LUNVIK_PROGRAM),
                                                   QStringLiteral(LUNVIK_SIMULATOR));
}

void BM_ProgramPrintToLastByte(benchmark::State& state) {
    auto& program = sharedProgram();
    if (!program) {
        program = startProgram();
    }
    if (!program->error().isEmpty()) {
        state.SkipWithError(program->error().toStdString().c_str());
        return;
    }
    const int page = int(state.range(0));
    const QString path = program->writeFile(pageName(page), pageBytes(page));
    // The first print of a page in the program is not counted.
    if (!program->loadImage(path) || program->printToLastByte() < 0) {
        state.SkipWithError(program->error().toStdString().c_str());
        return;
    }
    // Rendered: another file of the same page (the document keeps a picture
    // loaded again from the same bytes) is loaded right before each print,
    // which renders it afresh while the canvas starts its preview; otherwise
    // the print takes the page's rendering the preview and earlier prints
    // made.
    const bool rendered = state.range(1) != 0;
    const QString again = program->writeFile(QStringLiteral("again-") + pageName(page),
                                             pageBytes(page) + "% another file\n");
    std::vector<double> prints, references;
    int iteration = 0;
    for (auto _ : state) {
        if (rendered && !program->loadImage(++iteration % 2 ? again : path)) {
            state.SkipWithError(program->error().toStdString().c_str());
            return;
        }
        const double printed = program->printToLastByte();
        if (printed < 0) {
            state.SkipWithError(program->error().toStdString().c_str());
            return;
        }
        state.SetIterationTime(printed / 1e3);
        prints.push_back(printed);
        if (const double gs = ghostscript_ms(path); gs >= 0) {
            references.push_back(gs);
        }
    }
    state.counters["print_ms"] = bench::median(prints);
    if (!references.empty()) {
        state.counters["gs_1bit_600dpi_ms"] = bench::median(references);
        state.counters["print/gs"] = bench::median(prints) / bench::median(references);
    }
}

// A fresh program for each iteration and its first print against a later
// one. Rendered (1): the page loaded and printed at once, which renders it
// while the canvas starts its preview; a second's pause, and another file of
// the same page loaded and printed the same way. Otherwise (0): the page
// loaded, a second's pause (the canvas draws its preview meanwhile), its
// first print, a second's pause, and its second print, both from the
// rendering the preview made.
void BM_ProgramFirstPrint(benchmark::State& state) {
    sharedProgram().reset();
    const int page = int(state.range(0));
    const bool rendered = state.range(1) != 0;
    std::vector<double> firsts, laters;
    for (auto _ : state) {
        const auto program = startProgram();
        const QString path = program->writeFile(pageName(page), pageBytes(page));
        const QString again = program->writeFile(QStringLiteral("again-") + pageName(page),
                                                 pageBytes(page) + "% another file\n");
        if (!program->error().isEmpty() || !program->loadImage(path)) {
            state.SkipWithError(program->error().toStdString().c_str());
            return;
        }
        if (!rendered) {
            QThread::msleep(1000);
        }
        const double first = program->printToLastByte();
        QThread::msleep(1000);
        if (rendered && !program->loadImage(again)) {
            state.SkipWithError(program->error().toStdString().c_str());
            return;
        }
        const double later = program->printToLastByte();
        if (first < 0 || later < 0) {
            state.SkipWithError(program->error().toStdString().c_str());
            return;
        }
        state.SetIterationTime(first / 1e3);
        firsts.push_back(first);
        laters.push_back(later);
    }
    state.counters["first_print_ms"] = bench::median(firsts);
    state.counters["later_print_ms"] = bench::median(laters);
    state.counters["first/later"] = bench::median(firsts) / bench::median(laters);
}

} // namespace

BENCHMARK(BM_ProgramPrintToLastByte)
    ->ArgNames({"page", "rendered"})
    ->ArgsProduct({{0, 1, 2}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_ProgramFirstPrint)
    ->ArgNames({"page", "rendered"})
    ->ArgsProduct({{0, 1, 2}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

BENCHMARK(BM_VectorPrintToLastByte_Threshold)
    ->ArgName("page")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_VectorPrintToLastByte_WidenedThreshold)
    ->ArgName("page")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_VectorPrintToLastByte_Halftone)
    ->ArgName("page")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The logo alone, for other renderers by hand.
    if (argc >= 3 && QByteArray(argv[1]) == "--write-logo") {
        QFile file(QString::fromLocal8Bit(argv[2]));
        return file.open(QIODevice::WriteOnly) && file.write(bench::logoPdf()) > 0 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sharedProgram().reset();
    return 0;
}
