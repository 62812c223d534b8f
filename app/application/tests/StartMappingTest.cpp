#include "app/application/Application.h"
#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/PrintDocument.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MoviePlayer.h"
#include "model/pictures/OriginalImage.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/graphics/PictureCodecs.h"
#include "platform/tests/support/TestPictures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Whether a file whose name starts with the prefix is mapped into this
// process. The test programs link libheif themselves; the modules, poppler
// and Qt Multimedia tell what was loaded.
bool mapped(const QString& namePrefix) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read /proc/self/maps\n");
        std::_Exit(3);
    }
    const QByteArray needle = '/' + namePrefix.toLocal8Bit();
    for (const QByteArray& line : maps.readAll().split('\n')) {
        if (line.contains(needle)) {
            return true;
        }
    }
    return false;
}

// Ends the process at once (the application's objects are still up) with a
// line saying what went wrong.
void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "failed: %s\n", what);
        std::fflush(stderr);
        std::_Exit(1);
    }
}

kestrom::DocumentWindow* shownWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<kestrom::DocumentWindow*>(widget);
        if (window && window->isVisible() && window->windowHandle() &&
            window->windowHandle()->isExposed()) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

// The program's start as KestromCoreMain makes it, in a process of its own:
// the first window is drawn without mapping the picture decoders (libheif's
// codecs and poppler) or the movie player (Qt Multimedia), which the first
// movie that needs it loads. The decoders are never mapped: a PDF is read
// by the picture workers.
TEST(StartMappingTest, TheFirstWindowIsDrawnBeforeThePictureDecodersAndTheMoviePlayerAreLoaded) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QTemporaryDir folder;
            platform::UserDefaults::setStandardFilePath(
                folder.filePath(QStringLiteral("defaults.plist")));
            lunvik::Application::registerDevicePlugin(
                platform::Bundle::named(QStringLiteral("RegionWorldwide")));
            kestrom::AppDelegate delegate;
            delegate.applicationWillFinishLaunching();
            delegate.applicationDidFinishLaunching({});
            require(QTest::qWaitFor([] { return shownWindow() != nullptr; }, 20000),
                    "no window was shown");
            kestrom::DocumentWindow* window = shownWindow();
            require(!window->grab().isNull(), "the window was not drawn");

            require(!mapped(platform::PictureCodecs::moduleFileName()),
                    "the picture decoders' module is mapped");
            require(!mapped(QStringLiteral("libpoppler")), "poppler is mapped");
            require(!mapped(kestrom::MoviePlayer::moduleFileName()),
                    "the movie player's module is mapped");
            require(!mapped(QStringLiteral("libQt6Multimedia")), "Qt Multimedia is mapped");

            auto* document = qobject_cast<kestrom::PrintJobDocument*>(window->document());
            require(document != nullptr, "the window shows no print document");
            const auto page = ambrel::OriginalImage::fromData(
                testpictures::pdf({QRectF(0, 0, 200, 100), {}, 0, {}}),
                QUrl::fromLocalFile(folder.filePath(QStringLiteral("logo.pdf"))));
            require(page != nullptr, "the PDF is no picture");
            document->job().setOriginalImage(page);
            // The picture workers read and draw it: the program never maps
            // the decoders.
            require(!mapped(platform::PictureCodecs::moduleFileName()) &&
                        !mapped(QStringLiteral("libpoppler")),
                    "the PDF loaded the picture decoders into the program");
            std::fflush(stderr);
            // Ended at once, the process runs no destructor.
            folder.remove();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
