// The package layer alone (DocumentPackage), not the window: saving and
// opening a document whose picture is a 6000 x 4000 photo JPEG, without a
// window, a canvas or a process start. What a user waits for when a package
// opens is ApplicationOpenBenchmark's.
// Each save and open is timed from start to finish (wall time); "main_ms" is
// the longest stretch the main thread spent on it (taking the snapshot on
// save, applying the contents on open), while decoding, encoding and the file
// work ran on a worker.
#include "PhotoJpeg.h"

#include "app/tavrin/TavrinConnect.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "model/connections/ConnectPluginManager.h"
#include "model/pictures/OriginalImage.h"
#include "platform/MainThread.h"
#include "platform/UserDefaults.h"
#include "platform/graphics/OrientedImageCache.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using kestrom::DocumentPackage;
using kestrom::PrintDocument;

struct Fixture {
    QTemporaryDir folder;
    std::unique_ptr<PrintDocument> document;

    Fixture() {
        platform::UserDefaults::setStandardFilePath(folder.filePath("defaults.plist"));
        document = std::make_unique<PrintDocument>();
        document->setOriginalImage(ambrel::OriginalImage::fromData(
            bench::photoJpeg(), QUrl::fromLocalFile(folder.filePath("photo.jpg"))));
        platform::OrientedImageCache::waitForPreparations();
    }
    QString package() const { return folder.filePath("Photo.lunvik"); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_SavePhotoDocument(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.document->originalImage()) {
        state.SkipWithError("the photo did not decode");
        return;
    }
    double longestMain = 0;
    for (auto _ : state) {
        QElapsedTimer whole;
        whole.start();
        QElapsedTimer main;
        main.start();
        auto snapshot = DocumentPackage::snapshot(*f.document);
        longestMain = std::max(longestMain, main.nsecsElapsed() / 1e6);
        bool failed = false;
        DocumentPackage::writeInBackground(std::move(snapshot), f.package(), {},
                                           [&](auto error) { failed = bool(error); });
        kestrom::DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
        state.SetIterationTime(whole.nsecsElapsed() / 1e9);
        if (failed) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    state.counters["main_ms"] = longestMain;
    state.counters["photo_MB"] = f.document->originalImage()->data().size() / 1e6;
}

void BM_OpenPhotoDocument(benchmark::State& state) {
    Fixture& f = fixture();
    DocumentPackage::write(*f.document, f.package());
    double longestMain = 0;
    for (auto _ : state) {
        PrintDocument opened;
        QElapsedTimer whole;
        whole.start();
        std::optional<DocumentPackage::Contents> contents;
        DocumentPackage::loadInBackground(f.package(),
                                          [&](auto c, auto) { contents = std::move(c); });
        kestrom::DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
        if (!contents) {
            state.SkipWithError("the package did not open");
            break;
        }
        QElapsedTimer main;
        main.start();
        DocumentPackage::apply(opened, *contents);
        longestMain = std::max(longestMain, main.nsecsElapsed() / 1e6);
        state.SetIterationTime(whole.nsecsElapsed() / 1e9);
        if (!opened.originalImage() || !opened.originalImage()->cgImage()) {
            state.SkipWithError("the picture is not ready to draw");
            break;
        }
        // Opening also starts making the picture's gray for the print, behind
        // the open; it ends outside the timing so that it does not run into
        // the next open.
        platform::OrientedImageCache::waitForPreparations();
    }
    state.counters["main_ms"] = longestMain;
}

} // namespace

BENCHMARK(BM_SavePhotoDocument)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_OpenPhotoDocument)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ambrel::ConnectPluginManager::shared().load(
        {std::make_shared<lunvik::TavrinConnect>(lunvik::TavrinConnect::Region::worldwide)});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
