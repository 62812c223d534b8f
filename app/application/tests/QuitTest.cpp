// Quitting while work nobody needs any more never ends: a page whose
// drawing has no end, and drawings and imports held for ever. The program
// runs as KestromCoreMain runs it, in a process of its own, and is quit from
// its menu; the process must end by itself.

#include "app/application/Application.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/inspector/PictureThumbnailQueue.h"
#include "core/launch/KestromCoreMain.h"
#include "core/window/DocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/worker/PictureWorkerLimits.h"
#include "platform/worker/program/PictureWorkerTestFaults.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>

namespace {

// A page whose drawing never ends once it is opened: its picture worker
// plays a drawing that never ends (a PDF the library itself draws for ever
// is refused when it is opened, its small drawing missing the deadline).
QByteArray endlessPage() {
    return testpictures::pdf({QRectF(0, 0, 200, 100),
                              {},
                              0,
                              QStringLiteral("% ") +
                                  QLatin1String(platform::PictureWorkerTestFaults::stallOnRender) +
                                  QStringLiteral("\n0 0 0 rg 0 0 100 50 re f")});
}

void fail(const char* what) {
    std::fprintf(stderr, "failed: %s\n", what);
    std::fflush(stderr);
    std::_Exit(1);
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

// Quits with the window's Quit item, as the user does (its shortcut is the
// desktop's: the offscreen platform has none), and discards the document
// when asked.
void quitFromTheMenu(kestrom::DocumentWindow* window) {
    QAction* quit = nullptr;
    for (QAction* top : window->menuBar()->actions()) {
        for (QAction* action : top->menu() ? top->menu()->actions() : QList<QAction*>()) {
            quit = action->objectName() == QLatin1String("Menu_Quit") ? action : quit;
        }
    }
    if (!quit) {
        fail("the window has no Quit item");
    }
    quit->trigger();
    auto* discard = new QTimer(qApp);
    QObject::connect(discard, &QTimer::timeout, [] {
        for (QWidget* widget : QApplication::allWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                if (QAbstractButton* button = box->button(QMessageBox::Discard)) {
                    button->click();
                }
            }
        }
    });
    discard->start(20);
}

// In the child: the program with the files given; `whenShown` runs on the
// event loop once its first window shows. The process must end by itself,
// and does so as the program's main ends it, with the application object
// gone first.
[[noreturn]] void runProgram(const QStringList& documents,
                             std::function<void(kestrom::DocumentWindow*)> whenShown) {
    // A process that never ends is told from one that ends, whatever the
    // machine's load.
    ::alarm(60);
    qputenv(platform::PictureWorkerLimits::testFaultsVariable, "1");
    QTemporaryDir folder;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        qputenv(name, folder.filePath(QString::fromLatin1(name)).toLocal8Bit());
    }
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("defaults.plist")));
    lunvik::Application::registerDevicePlugin(
        platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, whenShown] {
        if (kestrom::DocumentWindow* window = shownWindow()) {
            poll->stop();
            whenShown(window);
        }
    });
    poll->start(10);
    const QString pdf = folder.filePath(QStringLiteral("endless.pdf"));
    QStringList files;
    for (const QString& document : documents) {
        files << (document == QLatin1String("endless.pdf") ? pdf : document);
    }
    QFile page(pdf);
    if (!page.open(QIODevice::WriteOnly) || page.write(endlessPage()) < 0) {
        fail("cannot write the page");
    }
    page.close();
    const int status = kestrom::runApplication(files);
    delete QCoreApplication::instance();
    std::fflush(nullptr);
    std::exit(status);
}

} // namespace

// Drawings of the inspector's pictures and an import held for ever: Quit
// waits for neither.
TEST(QuitTest, QuitEndsTheProgramWhileDrawingsAndImportsNeverEnd) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runProgram({},
                           [](kestrom::DocumentWindow* window) {
                               static std::atomic<int> started{0};
                               const auto forEver = [] {
                                   ++started;
                                   for (;;) {
                                       ::pause();
                                   }
                               };
                               kestrom::PictureThumbnailQueue::run(forEver);
                               kestrom::DocumentWorkQueue::run(forEver);
                               if (!QTest::qWaitFor([] { return started == 2; }, 20000)) {
                                   fail("the held work did not start");
                               }
                               quitFromTheMenu(window);
                           }),
                ::testing::ExitedWithCode(0), "");
}

// The program opens a page whose drawing never ends: its canvas and its
// pictures in the inspector draw it for ever. Quit ends the process.
TEST(QuitTest, QuitEndsTheProgramWhileAPageDrawsForEver) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runProgram({QStringLiteral("endless.pdf")},
                           [](kestrom::DocumentWindow* window) {
                               auto* document =
                                   qobject_cast<kestrom::PrintJobDocument*>(window->document());
                               if (!QTest::qWaitFor(
                                       [&] { return document && document->job().originalImage(); },
                                       30000)) {
                                   fail("the page was not loaded");
                               }
                               // Its drawing is under way.
                               QTest::qWait(1000);
                               quitFromTheMenu(window);
                           }),
                ::testing::ExitedWithCode(0), "");
}
