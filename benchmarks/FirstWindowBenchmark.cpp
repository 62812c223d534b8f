// How soon a window is there for the user:
//
// "ProgramStart" starts the program itself, offscreen, as a user would, and
// times it until its first document window is drawn (the program writes the
// window's picture and ends, with LUNVIK_SCREENSHOT set). The target is under
// a second. A plain Qt window that does the same (lunvik-plain-qt-window, a
// program linking Qt alone) is started in turn with it as the reference
// (`plain_window_ms`); ApplicationOpenBenchmark times both to the first frame
// alone, without writing the picture and ending.
//
// "WindowWithAPicture" opens a new document window in this process, gives it
// a picture and times it until the window is exposed and drawn. The target is
// under a second.

#include "BenchmarkApp.h"

#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/PrintDocument.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "model/pictures/OriginalImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

// Starts the program and waits for it to end; its milliseconds, or -1.
double startToEnd_ms(const QString& path, const QProcessEnvironment& environment) {
    QProcess program;
    program.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    program.start(path, {});
    if (!program.waitForFinished(60000) || program.exitCode() != 0) {
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

void BM_FirstWindow_ProgramStart(benchmark::State& state) {
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUNVIK_SCREENSHOT"),
                       folder.filePath(QStringLiteral("window.png")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    const QString plainProgram =
        QCoreApplication::applicationDirPath() + QStringLiteral("/lunvik-plain-qt-window");
    std::vector<double> lunvik, plain;
    bool lunvikFirst = true;
    for (auto _ : state) {
        double program = -1, reference = -1;
        if (lunvikFirst) {
            program = startToEnd_ms(QStringLiteral(LUNVIK_PROGRAM), environment);
            reference = startToEnd_ms(plainProgram, environment);
        } else {
            reference = startToEnd_ms(plainProgram, environment);
            program = startToEnd_ms(QStringLiteral(LUNVIK_PROGRAM), environment);
        }
        lunvikFirst = !lunvikFirst;
        if (program < 0 || reference < 0) {
            state.SkipWithError("the program did not show its window");
            return;
        }
        lunvik.push_back(program);
        plain.push_back(reference);
        state.SetIterationTime(program / 1e3);
    }
    std::sort(lunvik.begin(), lunvik.end());
    std::sort(plain.begin(), plain.end());
    state.counters["plain_window_ms"] = plain[plain.size() / 2];
    state.counters["lunvik/plain"] = lunvik[lunvik.size() / 2] / plain[plain.size() / 2];
}

void BM_FirstWindow_WindowWithAPicture(benchmark::State& state) {
    static bench::BenchmarkApp application;
    auto* documents = application.delegate().documentController();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        application.delegate().newDocument();
        auto* document = qobject_cast<kestrom::PrintJobDocument*>(documents->documents().last());
        document->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        document->job().setImageSizeWithWidthForDisplay_mm(120);
        kestrom::DocumentWindow* window = kestrom::DocumentWindow::windowFor(document);
        if (!window || !QTest::qWaitForWindowExposed(window)) {
            state.SkipWithError("the window was not shown");
            return;
        }
        window->grab();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        documents->removeDocument(document);
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_FirstWindow_ProgramStart)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_FirstWindow_WindowWithAPicture)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

int main(int argc, char** argv) {
    return bench::BenchmarkApp::run(argc, argv);
}
