#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/launch/AppDelegate.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentFileDialog.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MachineStatusManager.h"
#include "core/window/MaintenancePaneViewController_Status.h"
#include "core/window/MaintenancePopover.h"
#include "core/window/ProgressViewController.h"
#include "core/window/WindowRunPresenter.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

using kestrom::DocumentWindow;
using kestrom::GridView;
using kestrom::PrintJobDocument;
using kestrom::ScriptingService;

namespace {

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 20000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// Whether a widget's window is on the screen as the compositor knows it.
bool exposed(QWidget* widget) {
    return widget && widget->isVisible() && widget->window()->windowHandle() &&
           QTest::qWaitForWindowExposed(widget->window()->windowHandle(), 10000);
}

// Whether the canvases of a window have drawn their pictures and ended
// their animations (a picture brought in fades its frame in), so that the
// window shows as it stays.
bool canvasSettled(QWidget* window) {
    for (auto* canvas : window->findChildren<GridView*>()) {
        if (canvas->imageView() && (canvas->imageView()->hasPendingDrawing() ||
                                    canvas->imageView()->isDrawingInBackground())) {
            return false;
        }
        for (QGraphicsItem* item : canvas->scene()->items()) {
            QGraphicsObject* object = item->toGraphicsObject();
            if (!object) {
                continue;
            }
            for (auto* animation : object->findChildren<QAbstractAnimation*>()) {
                if (animation->state() == QAbstractAnimation::Running) {
                    return false;
                }
            }
        }
    }
    return true;
}

// The distinct colours of a picture, up to a bound: a window that shows
// its controls has many, a blank one a few.
int colourCount(const QImage& picture, int bound = 64) {
    std::set<QRgb> colours;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height() && int(colours.size()) < bound; y += 3) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += 3) {
            colours.insert(row[x]);
        }
    }
    return int(colours.size());
}

qint64 changedPixels(const QImage& before, const QImage& after) {
    if (before.size() != after.size()) {
        return qint64(after.width()) * after.height();
    }
    const QImage a = before.convertToFormat(QImage::Format_RGB32);
    const QImage b = after.convertToFormat(QImage::Format_RGB32);
    qint64 changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            // The output's alpha says nothing: only colours count.
            changed += (rowA[x] & 0xffffff) != (rowB[x] & 0xffffff);
        }
    }
    return changed;
}

// Where a widget's own picture is in the compositor's output: the first
// place where one of its most varied rows matches whole and the rest of it
// nearly (a caret may blink). Nothing when it is not there.
std::optional<QPoint> locate(const QImage& output, const QImage& picture) {
    const QImage screen = output.convertToFormat(QImage::Format_RGB32);
    const QImage part = picture.convertToFormat(QImage::Format_RGB32);
    if (part.isNull() || part.width() > screen.width() || part.height() > screen.height()) {
        return std::nullopt;
    }
    constexpr QRgb colour = 0xffffff;
    int keyRow = 0;
    int mostChanges = -1;
    for (int y = 0; y < part.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(part.constScanLine(y));
        int changes = 0;
        for (int x = 1; x < part.width(); ++x) {
            changes += (row[x] & colour) != (row[x - 1] & colour);
        }
        if (changes > mostChanges) {
            mostChanges = changes;
            keyRow = y;
        }
    }
    const auto* key = reinterpret_cast<const QRgb*>(part.constScanLine(keyRow));
    const auto matchesAt = [&](int left, int top) {
        qint64 different = 0;
        for (int y = 0; y < part.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(part.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(screen.constScanLine(top + y)) + left;
            for (int x = 0; x < part.width(); ++x) {
                different += (a[x] & colour) != (b[x] & colour);
            }
        }
        return different * 50 <= qint64(part.width()) * part.height();
    };
    for (int top = 0; top + part.height() <= screen.height(); ++top) {
        const auto* row = reinterpret_cast<const QRgb*>(screen.constScanLine(top + keyRow));
        for (int left = 0; left + part.width() <= screen.width(); ++left) {
            if ((row[left] & colour) != (key[0] & colour) ||
                !std::equal(key, key + part.width(), row + left,
                            [](QRgb a, QRgb b) { return (a & colour) == (b & colour); })) {
                continue;
            }
            if (matchesAt(left, top)) {
                return QPoint(left, top);
            }
        }
    }
    return std::nullopt;
}

// A gate the device's transfers wait at, so that the test looks while the
// run stands at a known step.
class Gate {
public:
    void arrive() {
        std::unique_lock lock(m_mutex);
        m_arrived = true;
        m_changed.wait(lock, [&] { return m_open; });
    }
    bool hasArrived() {
        std::lock_guard lock(m_mutex);
        return m_arrived;
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_arrived = false;
    bool m_open = false;
};

// The application as a client of a Weston compositor of the test's own
// (tools/with-weston.sh): its windows, popups and sheets are Wayland
// surfaces, and the compositor's output is what the user would see.
// LUNVIK_SCREENSHOT_DIR keeps the compositor's pictures for review.
class WaylandDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"))
            << "run under tools/with-weston.sh";
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        lunvik::Application::registerDevicePlugin(
            platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    }

    // The compositor's output now, as weston-screenshooter takes it.
    QImage screenshot() {
        QTemporaryDir into;
        QProcess shooter;
        shooter.setWorkingDirectory(into.path());
        shooter.start(QStringLiteral("weston-screenshooter"), {});
        // The compositor answers only while this process turns its events.
        if (!waitUntil([&] { return shooter.state() == QProcess::NotRunning; }, 20000)) {
            shooter.kill();
            shooter.waitForFinished();
            ADD_FAILURE() << "weston-screenshooter did not end";
            return {};
        }
        const QStringList shots = QDir(into.path()).entryList({QStringLiteral("*.png")});
        EXPECT_EQ(shots.size(), 1) << shooter.readAllStandardError().constData();
        return shots.isEmpty() ? QImage() : QImage(QDir(into.path()).filePath(shots.first()));
    }

    // The output once it differs from before in at least the given number
    // of pixels (the compositor shows what was committed at its next
    // repaint).
    QImage shownOver(const QImage& before, qint64 pixels) {
        QImage now;
        waitUntil(
            [&] {
                now = screenshot();
                return !now.isNull() && changedPixels(before, now) >= pixels;
            },
            20000);
        EXPECT_GE(changedPixels(before, now), pixels) << "the compositor does not show it";
        return now;
    }

    // Where the compositor shows a widget (its top-left corner on the
    // output), found by a part of its own picture (all of it when none is
    // given); nothing when it does not show it within a while.
    std::optional<QPoint> onOutput(QWidget* widget, QRect part = {}) {
        if (part.isNull()) {
            part = widget->rect();
        }
        std::optional<QPoint> found;
        waitUntil(
            [&] {
                const QImage output = screenshot();
                found = locate(output, widget->grab(part).toImage());
                return found.has_value();
            },
            10000);
        if (!found) {
            return std::nullopt;
        }
        return *found - part.topLeft();
    }

    // The window by its menu bar, which popups over its content leave bare.
    std::optional<QPoint> windowOnOutput(DocumentWindow* window) {
        return onOutput(window, QRect(0, 0, window->width(), window->menuBar()->height()));
    }

    static void review(const QImage& picture, const char* name) {
        const QString folder = qEnvironmentVariable("LUNVIK_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            picture.save(QDir(folder).filePath(QLatin1String(name) + QLatin1String(".png")));
        }
    }

    // A new document with a picture, shown in its window and on the
    // compositor's output (then in `shown`).
    DocumentWindow* openWindow(kestrom::AppDelegate& delegate) {
        const QImage empty = screenshot();
        delegate.applicationWillFinishLaunching();
        delegate.newDocument();
        auto* document =
            qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
        EXPECT_TRUE(document);
        if (!document) {
            return nullptr;
        }
        document->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        document->job().setImageSizeWithWidthForDisplay_mm(60);
        DocumentWindow* window = DocumentWindow::windowFor(document);
        EXPECT_TRUE(window);
        if (window) {
            window->show();
            EXPECT_TRUE(exposed(window));
            shown = shownOver(empty, qint64(window->width()) * window->height() / 4);
        }
        return window;
    }

    QTemporaryDir folder;
    QImage shown;
};

} // namespace

TEST_F(WaylandDesktopTest, TheWindowAMenuAndADialogShowOnTheCompositor) {
    kestrom::AppDelegate delegate;
    DocumentWindow* window = openWindow(delegate);
    ASSERT_TRUE(window);
    // The window drew its controls, and the compositor shows them.
    EXPECT_GE(colourCount(window->grab().toImage()), 32);
    // All of it, once its canvas has drawn the picture.
    ASSERT_TRUE(waitUntil([&] { return canvasSettled(window); }));
    ASSERT_TRUE(onOutput(window)) << "the window's picture is not in the compositor's output";
    const QImage withWindow = screenshot();
    review(withWindow, "window");

    // The File menu, opened from the window's menu bar.
    QAction* fileTitle = nullptr;
    for (QAction* title : window->menuBar()->actions()) {
        if (title->menu() && title->menu()->objectName() == QStringLiteral("Menu_File")) {
            fileTitle = title;
        }
    }
    ASSERT_TRUE(fileTitle);
    QMenu* file = fileTitle->menu();
    window->menuBar()->setActiveAction(fileTitle);
    ASSERT_TRUE(waitUntil([&] { return file->isVisible(); }));
    ASSERT_TRUE(exposed(file));
    EXPECT_GE(colourCount(file->grab().toImage()), 4);
    const QImage withMenu = shownOver(withWindow, qint64(file->width()) * file->height() / 4);
    review(withMenu, "menu");
    const auto menuAt = onOutput(file);
    ASSERT_TRUE(menuAt) << "the menu's picture is not in the compositor's output";
    // Where it shows is not checked: a headless Weston has no input
    // devices, and without an input event to tie a popup to, the toolkit
    // makes menus and popovers windows of their own, which the compositor
    // places as it likes.

    // Escape closes it, and the compositor shows the window as before.
    QTest::keyClick(file, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !file->isVisible(); }));
    QImage closed;
    EXPECT_TRUE(waitUntil([&] {
        closed = screenshot();
        return changedPixels(withWindow, closed) < 2000;
    })) << changedPixels(withWindow, closed)
        << " pixels differ";
    review(closed, "menu-closed");

    // The save panel comes as a dialog of the window.
    delegate.saveDocumentAs();
    QPointer<kestrom::DocumentFileDialog> panel;
    ASSERT_TRUE(waitUntil([&] {
        panel = window->findChild<kestrom::DocumentFileDialog*>();
        return panel && panel->isVisible();
    }));
    ASSERT_TRUE(exposed(panel));
    EXPECT_EQ(panel->windowHandle()->transientParent(), window->windowHandle());
    const QImage withPanel = shownOver(withWindow, qint64(panel->width()) * panel->height() / 4);
    review(withPanel, "save-dialog");
    EXPECT_TRUE(onOutput(panel)) << "the panel's picture is not in the compositor's output";
    panel->reject();
    EXPECT_TRUE(waitUntil([&] { return !panel || !panel->isVisible(); }));
}

TEST_F(WaylandDesktopTest, TheProgressSheetShowsWhileAPrintRunsThenTheCompletionAlert) {
    lunvik::TavrinSimulatorUsb usb;
    Gate gate;
    auto& device = usb.device();
    usb.usbDevice().setWriteHandler([&](const QByteArray& data) {
        gate.arrive();
        device.receive(data);
    });
    kestrom::AppDelegate delegate;
    DocumentWindow* window = nullptr;
    // Never leave the run waiting, whatever ends the test.
    const auto opened = qScopeGuard([&] {
        gate.open();
        waitUntil([&] { return !window || !window->runPresenter()->progressSheet(); });
    });
    window = openWindow(delegate);
    ASSERT_TRUE(window);
    const QImage before = shown;

    delegate.printDocument();
    const auto sheet = [&] { return window->runPresenter()->progressSheet(); };
    ASSERT_TRUE(waitUntil([&] { return gate.hasArrived() && sheet() && sheet()->isVisible(); }));
    ASSERT_TRUE(exposed(sheet()));
    EXPECT_EQ(sheet()->windowHandle()->transientParent(), window->windowHandle());
    EXPECT_TRUE(sheet()->cancelButton()->isVisible());
    const QImage withSheet = shownOver(before, qint64(sheet()->width()) * sheet()->height() / 4);
    review(withSheet, "progress-sheet");
    // Found by its title: the bar below it moves.
    auto* bar = sheet()->findChild<QProgressBar*>();
    ASSERT_TRUE(bar);
    EXPECT_TRUE(onOutput(sheet(), QRect(0, 0, sheet()->width(), bar->y())))
        << "the sheet's picture is not in the compositor's output";

    gate.open();
    QPointer<kestrom::CompletionAlert> alert;
    ASSERT_TRUE(waitUntil(
        [&] {
            alert = window->findChild<kestrom::CompletionAlert*>();
            return alert && alert->isVisible();
        },
        60000));
    ASSERT_TRUE(exposed(alert));
    EXPECT_EQ(device.jobs().size(), 1);
    // Its texts, above the movie, are on the output.
    const int textsHeight = alert->movieView() ? alert->movieView()->y() : alert->height();
    const QImage withAlert = shownOver(withSheet, qint64(alert->width()) * alert->height() / 4);
    const auto alertAt =
        locate(withAlert, alert->grab().toImage().copy(0, 0, alert->width(), textsHeight));
    ASSERT_TRUE(alertAt) << "the alert's picture is not in the compositor's output";
    if (kestrom::CompletionAlert::canPlayMovies()) {
        // The movie plays in it: the output shows its drawn pictures.
        ASSERT_TRUE(alert->movieView());
        EXPECT_TRUE(waitUntil([&] { return alert->moviePosition() > 1500; }))
            << alert->movieError().toStdString();
        const QRect movie(*alertAt + alert->movieView()->mapTo(alert, QPoint(0, 0)),
                          alert->movieView()->size());
        QImage withMovie;
        EXPECT_TRUE(waitUntil([&] {
            withMovie = screenshot();
            return colourCount(withMovie.copy(movie)) >= 16;
        })) << "the movie does not show";
        review(withMovie, "completion-alert");
    } else {
        review(withAlert, "completion-alert");
    }
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return alert.isNull(); }));
}

// The status popover, with the device's status read from a simulated device,
// shows beside the window (where is the compositor's choice, see above).
TEST_F(WaylandDesktopTest, TheMachineStatusPopoverShowsTheDevicesStatus) {
    lunvik::TavrinSimulatorUsb usb;
    kestrom::AppDelegate delegate;
    DocumentWindow* window = openWindow(delegate);
    ASSERT_TRUE(window);
    const QImage before = shown;

    QTest::mouseClick(window->maintenanceButton(), Qt::LeftButton);
    kestrom::MaintenancePopover* popover = window->maintenancePopover();
    ASSERT_TRUE(waitUntil([&] { return popover->isVisible(); }));
    ASSERT_TRUE(exposed(popover));
    EXPECT_TRUE(waitUntil([&] { return !window->statusManager()->isReloading(); }));
    // The simulated device's serial number is among the values read.
    auto* status = popover->findChild<kestrom::MaintenancePaneViewController_Status*>();
    ASSERT_TRUE(status);
    EXPECT_TRUE(waitUntil([&] {
        return !status->tableView()
                    ->findItems(QStringLiteral("SIM00001"), Qt::MatchExactly)
                    .isEmpty();
    }));
    const QImage withPopover = shownOver(before, qint64(popover->width()) * popover->height() / 4);
    review(withPopover, "status-popover");
    EXPECT_TRUE(windowOnOutput(window)) << "the window's picture is not in the compositor's output";
    EXPECT_TRUE(onOutput(popover)) << "the popover's picture is not in the compositor's output";
    window->dismissMaintenance();
    EXPECT_TRUE(waitUntil([&] { return !popover->isVisible(); }));
}

namespace {

QVariant busProperty(const QString& path, const QString& interface, const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        ScriptingService::serviceName, path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
}

// The documents of the application that answers on the bus, by name.
QStringList documentNames() {
    const QVariant documents =
        busProperty(ScriptingService::applicationPath, ScriptingService::applicationInterface,
                    QStringLiteral("documents"));
    QStringList names;
    for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(documents)) {
        names << busProperty(path.path(), ScriptingService::documentInterface,
                             QStringLiteral("name"))
                     .toString();
    }
    return names;
}

} // namespace

// The program itself, started twice as a file manager would on a Wayland
// desktop: the second start hands its package to the first and ends.
TEST_F(WaylandDesktopTest, ASecondStartHandsItsFilesToTheRunningApplication) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        << "run under a session bus of its own (tools/with-session-bus.sh)";
    QStringList packages;
    for (const QString& name : {QStringLiteral("Job.lunvik"), QStringLiteral("Other.lunvik")}) {
        kestrom::PrintJobDocument job;
        job.job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        // Pictures of different sizes, so that the windows differ on the
        // output wherever the compositor puts them.
        job.job().setImageSizeWithWidthForDisplay_mm(packages.isEmpty() ? 40 : 160);
        packages << folder.filePath(name);
        kestrom::DocumentPackage::write(job.job(), packages.last());
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    std::vector<std::unique_ptr<QProcess>> programs;
    const auto start = [&](const QString& package) {
        programs.push_back(std::make_unique<QProcess>());
        programs.back()->setProcessEnvironment(environment);
        programs.back()->start(QStringLiteral(LUNVIK_PROGRAM), {package});
        EXPECT_TRUE(programs.back()->waitForStarted());
        return programs.back().get();
    };
    const auto ended = [](QProcess* program) {
        return waitUntil([&] { return program->state() == QProcess::NotRunning; });
    };
    const auto stop = qScopeGuard([&] {
        for (const auto& program : programs) {
            if (program->state() != QProcess::NotRunning) {
                program->terminate();
                if (!program->waitForFinished(60000)) {
                    program->kill();
                    program->waitForFinished();
                }
            }
        }
    });
    const QImage empty = screenshot();

    QProcess* first = start(packages[0]);
    ASSERT_TRUE(waitUntil([] { return documentNames() == QStringList{QStringLiteral("Job")}; }))
        << first->readAllStandardError().constData();
    // Its window is on the compositor's output.
    const QImage withFirst = shownOver(empty, 200 * 200);

    QProcess* second = start(packages[1]);
    ASSERT_TRUE(ended(second));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().constData();
    EXPECT_TRUE(waitUntil([] {
        return documentNames() == QStringList{QStringLiteral("Job"), QStringLiteral("Other")};
    })) << documentNames().join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(first->state(), QProcess::Running);
    // The handed package opened in a window of the first program, which
    // the output shows with its large picture.
    review(shownOver(withFirst, 150 * 100), "hand-over");
}
