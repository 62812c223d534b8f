// A 6000 x 4000 photo on the stencil model's A4 canvas in a document window
// of 1920 x 1080 and of 3840 x 2160: the main thread's processor time per
// change of the threshold (or of the halftone's screen), from the change made
// through the document, as the slider makes it, until every tile of the
// canvas is drawn again. The tiles are made on the compute workers; what is
// counted here is what the window itself does for the change: the
// document's and the inspector's reaction (counted apart as "reaction_ms")
// and the window's repaints.

#include "PhotoJpeg.h"

#include "app/tavrin/TavrinConnect.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/DocumentController.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/DocumentKey.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>

namespace {

using kestrom::DocumentKey::optionPath;
namespace Group = kestrom::DocumentKey::OptionGroup;

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Window {
    QTemporaryDir folder;
    std::unique_ptr<kestrom::AppDelegate> delegate;
    kestrom::PrintJobDocument* document = nullptr;
    kestrom::DocumentWindow* window = nullptr;
    kestrom::GridViewImageView* imageView = nullptr;

    Window() {
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        ambrel::ConnectPluginManager::shared().load(
            {std::make_shared<lunvik::TavrinConnect>(lunvik::TavrinConnect::Region::worldwide)});
        const QString path = folder.filePath(QStringLiteral("photo.jpg"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bench::photoJpeg(0));
        file.close();
        delegate = std::make_unique<kestrom::AppDelegate>();
        delegate->applicationWillFinishLaunching();
        delegate->newDocument();
        document = qobject_cast<kestrom::PrintJobDocument*>(
            delegate->documentController()->documents().first());
        window = kestrom::DocumentWindow::windowFor(document);
        window->show();
        imageView = window->gridView()->imageView();
        QMimeData drop;
        drop.setUrls({QUrl::fromLocalFile(path)});
        window->gridViewController()->imageImport()->setImageWithPasteboard(&drop);
        waitUntil([&] {
            return window->gridViewController()->imageImport()->pendingCount() == 0 &&
                   document->job().originalImage() &&
                   document->job().originalImage()->isFullyDecoded();
        });
    }

    // Sleeps between events, as the application's own loop does, so that
    // the waiting adds no processor time of its own; the timer only makes
    // sure that the condition is looked at now and then.
    static void waitUntil(const std::function<bool()>& done) {
        QTimer tick;
        tick.start(20);
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 60000) {
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
    }

    bool allTilesDrawn() const {
        if (imageView->isDrawingInBackground() || imageView->hasPendingDrawing() ||
            imageView->tileViews().isEmpty()) {
            return false;
        }
        return std::all_of(imageView->tileViews().begin(), imageView->tileViews().end(),
                           [](const auto& tile) { return !tile.contents.isNull(); });
    }

    // Settles: all tiles drawn and no event left (the last repaint included).
    void settle() {
        waitUntil([&] { return allTilesDrawn(); });
        QApplication::processEvents(QEventLoop::AllEvents);
    }
};

// Never destroyed: it would outlive the application.
Window& window() {
    static auto* w = new Window;
    return *w;
}

void perChange(benchmark::State& state, bool halftone) {
    Window& w = window();
    w.window->resize(QSize(int(state.range(0)), int(state.range(1))));
    auto& job = w.document->job();
    job.setBlackConversionType(halftone ? ambrel::BlackConversionType::halftone
                                        : ambrel::BlackConversionType::threshold);
    w.settle();
    static int turn = 0;
    double reaction = 0;
    double wall = 0;
    for (auto _ : state) {
        ++turn;
        QElapsedTimer timer;
        timer.start();
        const double start = threadCpuMs();
        if (halftone) {
            job.setValueForKeyPath(optionPath(Group::halftone, QStringLiteral("linesPerInch")),
                                   20 + turn % 2);
        } else {
            job.setValueForKeyPath(optionPath(Group::threshold, QStringLiteral("threshold")),
                                   turn % 2 ? 0.42 : 0.58);
        }
        reaction += threadCpuMs() - start;
        w.settle();
        const double cpu = threadCpuMs() - start;
        wall += timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(cpu / 1000);
    }
    const double n = double(state.iterations());
    state.counters["reaction_ms"] = reaction / n;
    state.counters["wall_ms"] = wall / n;
    state.counters["tiles"] = double(w.imageView->tileViews().size());
}

void BM_MainThreadPerThresholdChange(benchmark::State& state) {
    perChange(state, false);
}

void BM_MainThreadPerHalftoneChange(benchmark::State& state) {
    perChange(state, true);
}

} // namespace

BENCHMARK(BM_MainThreadPerThresholdChange)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(8);
BENCHMARK(BM_MainThreadPerHalftoneChange)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(8);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
