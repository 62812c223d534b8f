#include "core/launch/KestromCoreMain.h"

#include "core/document/package/PackageReadAhead.h"
#include "core/document/runs/DeviceRunQueue.h"
#include "core/document/runs/ProgressiveRun.h"
#include "core/inspector/ThemeIcons.h"
#include "core/launch/AppDelegate.h"
#include "core/launch/FirstFrameWork.h"
#include "core/launch/SettledWindow.h"
#include "core/launch/StartWarmUp.h"
#include "core/window/ApplicationClass.h"
#include "core/window/DeferredIconStyle.h"
#include "core/window/DocumentWindow.h"
#include "platform/ApplicationInfo.h"
#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/WorkQueue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using kestrom::DocumentWindow;

// How long quitting lets work nobody needs any more come to its end.
constexpr std::chrono::milliseconds unneededWorkGrace{250};

DocumentWindow* firstDocumentWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<DocumentWindow*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// The frame the window system was given, as it was drawn; where the window
// system cannot give it back (Wayland), the window drawn again.
QPixmap drawnFrame(QWidget& window) {
    QScreen* screen = window.screen();
    QPixmap frame = screen ? screen->grabWindow(window.winId()) : QPixmap();
    return frame.isNull() ? window.grab() : frame;
}

void writeFrame(QWidget& window, const QString& path) {
    if (!drawnFrame(window).save(path, "PNG")) {
        platform::Log::line(QStringLiteral("cannot write ") + path);
    }
    QApplication::exit(0);
}

// For reviews and start-up measurements: with LUNVIK_SCREENSHOT set to a
// PNG path, the first document window is written there once shown and the
// application quits. A window shown already is written on the turn its first
// frame is drawn, ahead of other work that waits for that frame (given after
// it, it runs before it); one that comes later is watched for.
void takeScreenshotWhenShown(const QString& path) {
    if (QPointer<DocumentWindow> shown = firstDocumentWindow()) {
        kestrom::FirstFrameWork::after(shown, [shown, path] {
            if (shown) {
                writeFrame(*shown, path);
            }
        });
        return;
    }
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<DocumentWindow*>(widget);
            if (window && window->isVisible() && window->windowHandle() &&
                window->windowHandle()->isExposed()) {
                poll->stop();
                writeFrame(*window, path);
                return;
            }
        }
    });
    poll->start(1);
}

// With LUNVIK_SCREENSHOT_WHEN=drawn as well (tools/screenshot.sh), the first
// document window is written once it shows what it was opened with (its
// picture drawn whole, or an alert saying why not), after the same drawing
// looked so on two checks in a row; after a minute, as it is then.
void takeScreenshotWhenDrawn(const QString& path) {
    auto* poll = new QTimer(qApp);
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    auto settledChecks = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path, since, settledChecks] {
        DocumentWindow* window = firstDocumentWindow();
        if (!window || !window->windowHandle() || !window->windowHandle()->isExposed()) {
            return;
        }
        *settledChecks = kestrom::SettledWindow::isSettled(*window) ? *settledChecks + 1 : 0;
        const bool late = since->elapsed() > 60000;
        if (*settledChecks < 2 && !late) {
            return;
        }
        if (late) {
            platform::Log::line(QStringLiteral("the window did not settle; written as it is"));
        }
        poll->stop();
        writeFrame(*window, path);
    });
    poll->start(50);
}

} // namespace

int KestromCoreMain(int argc, char** argv) {
    const platform::Bundle* bundle = platform::Bundle::main();
    const QString principalClass = platform::ApplicationInfo::dictionary()
                                       .value(QStringLiteral("NSPrincipalClass"))
                                       .toString();
    std::unique_ptr<QApplication> application =
        kestrom::ApplicationClass::make(principalClass, argc, argv);
    if (!application) {
        application = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setApplicationName(bundle->name());
    QApplication::setApplicationDisplayName(platform::ApplicationInfo::displayName());
    QApplication::setApplicationVersion(platform::ApplicationInfo::shortVersion());
    QApplication::setDesktopFileName(platform::ApplicationInfo::identifier());
    QStringList documents = QApplication::arguments().mid(1);
    documents.removeIf([](const QString& a) { return a.startsWith(QLatin1Char('-')); });
    return kestrom::runApplication(documents);
}

int kestrom::runApplication(const QStringList& documents) {
    const platform::Bundle* bundle = platform::Bundle::main();
    // The packages to open are read and their pictures decoded from now on,
    // beside everything that comes before their windows.
    kestrom::AppDelegate::readPackagesAhead(documents);
    // Fonts and image readers get ready beside the window being built, and
    // the bars' arrows, which would wait for the image readers, are read
    // once drawn.
    kestrom::StartWarmUp warmUp;
    // Only the main thread may look icons up, and it has time for them now.
    kestrom::ThemeIcons::lookUpAhead();
    QApplication::setStyle(new kestrom::DeferredIconStyle(QApplication::style()));
    // The icon's drawing waits for the first frame (the window system shows
    // the program's icon from its desktop file meanwhile).
    const auto setIcon = [bundle] {
        if (const auto icon =
                bundle->pathForResource(QStringLiteral("AppIcon"), QStringLiteral("svg"))) {
            QApplication::setWindowIcon(QIcon(*icon));
        }
    };

    {
        kestrom::AppDelegate delegate;
        delegate.applicationWillFinishLaunching();
        // One running application per session: a second start hands its
        // files to the first and ends.
        const bool handedOver = delegate.handOverToRunningApplication(documents);
        if (!handedOver) {
            delegate.applicationDidFinishLaunching(documents);
        }
        // Reads begun for files that this start does not open (the running
        // one opens them) go.
        kestrom::PackageReadAhead::dropAll();
        if (!handedOver) {
            kestrom::FirstFrameWork::after(firstDocumentWindow(), setIcon);
            const QString screenshot = qEnvironmentVariable("LUNVIK_SCREENSHOT");
            if (!screenshot.isEmpty()) {
                if (qEnvironmentVariable("LUNVIK_SCREENSHOT_WHEN") == QLatin1String("drawn")) {
                    takeScreenshotWhenDrawn(screenshot);
                } else {
                    takeScreenshotWhenShown(screenshot);
                }
            }
            QApplication::exec();
        }
        // Windows go before the documents they show.
        QList<QPointer<DocumentWindow>> windows;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<DocumentWindow*>(widget)) {
                windows << window;
            }
        }
        qDeleteAll(windows);
    }
    kestrom::ProgressiveRun::cancelAll();
    kestrom::DeviceRunQueue::waitForDone();
    // A save under way finishes its package. Work for documents that are
    // gone (drawings, decodes, imports) is dropped, not waited for: what of
    // it still runs after a moment ends with the process, which then
    // destroys nothing that work may still use.
    if (!platform::WorkQueue::endWork(unneededWorkGrace)) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return 0;
}
