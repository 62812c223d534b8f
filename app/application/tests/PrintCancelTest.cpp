#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/UserDefaultsKeys.h"
#include "core/launch/AppDelegate.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/ProgressViewController.h"
#include "core/window/WindowRunPresenter.h"
#include "platform/Bundle.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;

namespace {

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 60000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// A gate the device's transfers wait at, so that the test acts while the run
// stands at a known step.
class Gate {
public:
    void arrive() {
        std::unique_lock lock(m_mutex);
        m_arrived = true;
        m_changed.notify_all();
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

// A document of the application printed from its menu to a simulated device
// on the in-memory USB bus.
class PrintCancelTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        lunvik::Application::registerDevicePlugin(
            platform::Bundle::named(QStringLiteral("RegionWorldwide")));
        delegate.applicationWillFinishLaunching();
        delegate.newDocument();
        document =
            qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
        ASSERT_TRUE(document);
        document->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        ASSERT_TRUE(document->job().originalImage());
        document->job().setImageSizeWithWidthForDisplay_mm(60);
        window = DocumentWindow::windowFor(document);
        ASSERT_TRUE(window);
        window->show();
    }

    void TearDown() override {
        gate.open(); // never leave the run waiting
        waitUntil([&] { return !window || !window->runPresenter()->progressSheet(); }, 30000);
    }

    // The sheet as the user sees it, for review, when LUNVIK_REVIEW_DIR is set.
    void review(const char* name) const {
        const QString folder = qEnvironmentVariable("LUNVIK_REVIEW_DIR");
        if (!folder.isEmpty() && sheet()) {
            QTest::qWait(30);
            sheet()->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
        }
    }

    kestrom::ProgressViewController* sheet() const {
        return window->runPresenter()->progressSheet();
    }

    QTemporaryDir folder;
    lunvik::TavrinSimulatorUsb usb;
    kestrom::AppDelegate delegate;
    PrintJobDocument* document = nullptr;
    DocumentWindow* window = nullptr;
    Gate gate;
};

} // namespace

// Cancel while the picture is prepared stops the job before it starts: the
// device gets no job, and nothing is shown.
TEST_F(PrintCancelTest, ACancelWhileThePictureIsPreparedEndsQuietlyWithNoJob) {
    auto& device = usb.device();
    // The first transfer after the rendering waits until the user has pressed
    // Cancel.
    usb.usbDevice().setWriteHandler([&](const QByteArray& data) {
        gate.arrive();
        device.receive(data);
    });
    delegate.printDocument();
    // The run stands at its first transfer: the picture is prepared, nothing
    // of the job has gone out. How far the sheet's text has come by then
    // depends on the machine's speed.
    ASSERT_TRUE(waitUntil([&] { return gate.hasArrived() && sheet() && sheet()->isVisible(); }));
    QPushButton* cancel = sheet()->cancelButton();
    EXPECT_TRUE(cancel->isEnabled());
    review("print-sheet-preparing");
    QTest::mouseClick(cancel, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sheet()->progress()->isCancelled());
    gate.open();

    ASSERT_TRUE(waitUntil([&] { return !sheet(); }));
    QTest::qWait(100);
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
    EXPECT_FALSE(window->findChild<kestrom::CompletionAlert*>());
    EXPECT_TRUE(device.jobs().isEmpty());
    EXPECT_FALSE(device.jobInProgress());
    EXPECT_FALSE(device.commands().contains(QStringLiteral("0")));
}

// Once the columns go out the device images the screen and cannot be
// stopped: Cancel and Escape do nothing, the sheet says why, and the job
// ends as a finished print with its completion alert.
TEST_F(PrintCancelTest, ACancelWhileTheColumnsGoOutIsRefusedAndThePrintCompletes) {
    auto& device = usb.device();
    bool held = false;
    usb.usbDevice().setWriteHandler([&](const QByteArray& data) {
        device.receive(data);
        const auto job = device.jobInProgress();
        if (job && !job->columnData.isEmpty() && !held) {
            held = true;
            gate.arrive();
        }
    });
    delegate.printDocument();
    ASSERT_TRUE(waitUntil([&] { return gate.hasArrived(); }));
    ASSERT_TRUE(sheet());
    QPushButton* cancel = sheet()->cancelButton();
    ASSERT_TRUE(waitUntil([&] { return !cancel->isEnabled(); }, 10000));
    EXPECT_TRUE(sheet()->descriptionText().contains(
        QStringLiteral("The device is imaging the screen. The job can no longer be stopped.")))
        << sheet()->descriptionText().toStdString();
    review("print-sheet-sending");

    QTest::keyClick(sheet(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QTest::mouseClick(cancel, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(sheet()->progress()->isCancelled());
    EXPECT_TRUE(sheet()->isVisible());
    gate.open();

    ASSERT_TRUE(waitUntil([&] {
        return window->findChild<kestrom::CompletionAlert*>() ||
               window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
    }));
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
    auto* alert = window->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    ASSERT_EQ(device.jobs().size(), 1);
    EXPECT_TRUE(device.jobs().first().isComplete());
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
}

// The same from a script: the command answers success once the job has gone
// out whole, whatever was pressed on the sheet meanwhile.
TEST_F(PrintCancelTest, AScriptedPrintCancelledWhileTheColumnsGoOutAnswersSuccess) {
    ASSERT_TRUE(delegate.scriptingService());
    platform::UserDefaults::standard().setBool(
        kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key(), true);
    auto& device = usb.device();
    bool held = false;
    usb.usbDevice().setWriteHandler([&](const QByteArray& data) {
        device.receive(data);
        const auto job = device.jobInProgress();
        if (job && !job->columnData.isEmpty() && !held) {
            held = true;
            gate.arrive();
        }
    });
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                 kestrom::ScriptingService::serviceName, QStringLiteral("--object-path"),
                 delegate.scriptingService()->pathOf(document), QStringLiteral("--timeout"),
                 QStringLiteral("120"), QStringLiteral("--method"),
                 QStringLiteral("org.lunvik.Lunvik.Document.Print")});
    ASSERT_TRUE(gdbus.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return gate.hasArrived(); }));
    ASSERT_TRUE(sheet());
    QPushButton* cancel = sheet()->cancelButton();
    ASSERT_TRUE(waitUntil([&] { return !cancel->isEnabled(); }, 10000));
    QTest::keyClick(sheet(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QTest::mouseClick(cancel, Qt::LeftButton);
    QCoreApplication::processEvents();
    gate.open();

    ASSERT_TRUE(waitUntil([&] { return gdbus.state() == QProcess::NotRunning; }));
    EXPECT_EQ(gdbus.exitCode(), 0) << gdbus.readAllStandardError().toStdString();
    EXPECT_EQ(gdbus.readAllStandardOutput().trimmed(), QByteArray("()"));
    ASSERT_EQ(device.jobs().size(), 1);
    EXPECT_TRUE(device.jobs().first().isComplete());
    // Scripted prints show no completion alert.
    EXPECT_FALSE(window->findChild<kestrom::CompletionAlert*>());
}

namespace {

// The key as a user types it: to the window that has the keys, through the
// window system's path.
void press(int key) {
    QTest::qWaitFor([] { return QGuiApplication::focusWindow() != nullptr; }, 10000);
    QWindow* focus = QGuiApplication::focusWindow();
    ASSERT_TRUE(focus) << "no window takes keys";
    QTest::keyClick(focus, Qt::Key(key));
    QCoreApplication::processEvents();
}

} // namespace

// A device that stops answering while the user cancels: Escape on the sheet
// is Cancel, and the job ends as a cancel does, without the time-out's alert.
TEST_F(PrintCancelTest, EscapeWhileTheDeviceDoesNotAnswerEndsQuietly) {
    auto& device = usb.device();
    bool first = true;
    usb.usbDevice().setWriteHandler([&](const QByteArray& data) {
        // The device's first transfer hangs until the user has cancelled;
        // what follows times out.
        if (std::exchange(first, false)) {
            gate.arrive();
        }
        device.receive(data);
    });
    delegate.printDocument();
    ASSERT_TRUE(waitUntil([&] { return gate.hasArrived() && sheet() && sheet()->isVisible(); }));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QGuiApplication::focusWindow() == sheet()->windowHandle(); }, 10000));
    press(Qt::Key_Escape);
    EXPECT_TRUE(sheet()->progress()->isCancelled());
    usb.usbDevice().queueWriteResult(platform::UsbResult::transactionTimeout, 1000);
    gate.open();

    ASSERT_TRUE(waitUntil([&] { return !sheet(); }));
    QTest::qWait(100);
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
    EXPECT_TRUE(device.jobs().isEmpty());
}
