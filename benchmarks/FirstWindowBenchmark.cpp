// How soon a window is there for the user:
//
// "ProgramStart" starts the program itself, offscreen, as a user would, and
// times it until its first document window is drawn (the program writes the
// window's picture and ends, with LUNVIK_SCREENSHOT set). The target is under
// a second.
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

namespace {

void BM_FirstWindow_ProgramStart(benchmark::State& state) {
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUNVIK_SCREENSHOT"),
                       folder.filePath(QStringLiteral("window.png")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    for (auto _ : state) {
        QProcess program;
        program.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        program.start(QStringLiteral(LUNVIK_PROGRAM), {});
        if (!program.waitForFinished(60000) || program.exitCode() != 0) {
            state.SkipWithError("the program did not show its window");
            return;
        }
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    }
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
    ->Iterations(3);
BENCHMARK(BM_FirstWindow_WindowWithAPicture)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

int main(int argc, char** argv) {
    return bench::BenchmarkApp::run(argc, argv);
}
