#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/simulator/kernel/TavrinKernelUsbDevice.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/launch/AppDelegate.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MachineStatusManager.h"
#include "core/window/MoviePlayer.h"
#include "core/window/WindowRunPresenter.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Bundle.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"
#include "transport/dari/UdevRule.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <iostream>

using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;
using lunvik::TavrinKernelUsbDevice;
using lunvik::TavrinReceivedJob;
using lunvik::TavrinSimulatedDevice;

namespace {

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 60000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// How a print from the window ended.
struct Outcome {
    bool sawProgressSheet = false;
    bool completed = false;
    QString error;
    QString errorDetail;
    // Whether the detail can be selected, to copy a command from it.
    bool detailSelectable = false;
};

// The application's window printing to the stencil device emulated at the
// kernel boundary, found through the libusb backend as a real one is. The
// device is made before anything of the application, so that libusb's first
// look at the system already sees the emulated one.
class KernelUsbWindowPrint : public ::testing::Test {
protected:
    explicit KernelUsbWindowPrint(TavrinSimulatedDevice::Configuration configuration = {},
                                  bool pluggedIn = true)
        : usb(std::move(configuration), pluggedIn) {}

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

    // A completion alert's movie player is set up on a thread of its own
    // and let go once its movie has loaded; the media back end looks at
    // devices meanwhile, which must not find the emulated ones half gone.
    void TearDown() override {
        if (alertShown && kestrom::CompletionAlert::canPlayMovies()) {
            EXPECT_TRUE(waitUntil([] {
                return kestrom::MoviePlayer::isPrepared() &&
                       kestrom::MoviePlayer::lettingGoCount() == 0;
            }));
        }
    }

    // Print from the menu, as the user does; the sheet or alert it ends with
    // is read and closed.
    Outcome printFromMenu() {
        Outcome outcome;
        delegate.printDocument();
        QMessageBox* sheet = nullptr;
        kestrom::CompletionAlert* alert = nullptr;
        EXPECT_TRUE(waitUntil([&] {
            outcome.sawProgressSheet |= window->runPresenter()->progressSheet() != nullptr;
            sheet = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
            alert = window->findChild<kestrom::CompletionAlert*>();
            return sheet || alert;
        }));
        if (sheet) {
            outcome.error = sheet->text();
            outcome.errorDetail = sheet->informativeText();
            for (const QLabel* label : sheet->findChildren<QLabel*>()) {
                if (label->text() == outcome.errorDetail) {
                    outcome.detailSelectable =
                        label->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
                }
            }
            sheet->done(QMessageBox::Ok);
            sheet->deleteLater();
        } else if (alert) {
            alertShown = true;
            outcome.completed = true;
            alert->okButton()->click();
            alert->deleteLater();
        }
        waitUntil([&] { return !window->runPresenter()->isShowingSheet(); }, 20000);
        QTest::qWait(50);
        return outcome;
    }

    // Prints until a print completes, as a user does while a device plugged
    // in just now is still being found; whether one did.
    bool printOnceFound() {
        Outcome outcome;
        const bool completed = waitUntil(
            [&] {
                outcome = printFromMenu();
                return outcome.completed;
            },
            20000);
        EXPECT_TRUE(completed) << outcome.error.toStdString();
        return completed;
    }

    // What the in-memory bus's device receives for the document's task: its
    // bytes, and the job it finishes.
    std::pair<QByteArray, TavrinReceivedJob> inMemoryJob() {
        lunvik::TavrinSimulatorUsb memory;
        const ambrel::PrintTask task = document->makePrintTask();
        lunvik::TavrinDeviceConnection(task.deviceDescriptor(), task.transportType())
            .print(task, std::make_shared<platform::Progress>());
        const auto jobs = memory.device().jobs();
        return {memory.device().receivedBytes(),
                jobs.isEmpty() ? TavrinReceivedJob() : jobs.first()};
    }

    TavrinKernelUsbDevice usb;
    QTemporaryDir folder;
    kestrom::AppDelegate delegate;
    PrintJobDocument* document = nullptr;
    DocumentWindow* window = nullptr;
    bool alertShown = false;
};

} // namespace

// Print, the progress sheet, the completion alert; the device received the
// job byte for byte as the in-memory device does.
TEST_F(KernelUsbWindowPrint, APrintReachesTheDeviceThroughLibusb) {
    const Outcome outcome = printFromMenu();
    EXPECT_TRUE(outcome.sawProgressSheet);
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    ASSERT_EQ(usb.device().jobs().size(), 1);
    EXPECT_TRUE(usb.device().jobs().first().isComplete());
    const QByteArray received = usb.device().receivedBytes();
    EXPECT_TRUE(received == inMemoryJob().first);
    EXPECT_TRUE(waitUntil([&] { return usb.openFileCount() == 0; }, 10000));
}

// The maintenance popover shows the device's own status lines.
TEST_F(KernelUsbWindowPrint, TheStatusIsShown) {
    QTest::mouseClick(window->maintenanceButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window->statusManager()->isReloading(); }, 20000));
    EXPECT_FALSE(window->statusManager()->viewStatus().error);
    auto* table = window->findChild<QTableWidget*>();
    ASSERT_TRUE(table);
    QStringList values;
    for (int row = 0; row < table->rowCount(); ++row) {
        values << (table->item(row, 1) ? table->item(row, 1)->text() : QString());
    }
    EXPECT_TRUE(values.contains(QStringLiteral("SIM00001"))) << values.join(", ").toStdString();
    window->dismissMaintenance();
}

// A status read that fails shows its error in the table as the alert reads
// it: plain sentences, not quoted texts.
TEST_F(KernelUsbWindowPrint, AStatusErrorReadsAsPlainSentences) {
    usb.setTransfersComplete(false);
    QTest::mouseClick(window->maintenanceButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window->statusManager()->isReloading(); }, 30000));
    const auto error = window->statusManager()->viewStatus().error;
    ASSERT_TRUE(error);
    auto* table = window->findChild<QTableWidget*>();
    ASSERT_TRUE(table);
    QStringList values;
    for (int row = 0; row < table->rowCount(); ++row) {
        values << (table->item(row, 1) ? table->item(row, 1)->text() : QString());
    }
    const QString expected = error->localizedDescription() + u' ' +
                             error->localizedRecoverySuggestion().value_or(QString());
    EXPECT_TRUE(values.contains(expected)) << values.join(" | ").toStdString();
    for (const QString& value : values) {
        EXPECT_FALSE(value.startsWith(u'"')) << value.toStdString();
    }
    window->dismissMaintenance();
    usb.setTransfersComplete(true);
}

// A user who may not open the device is told that it is there and what is
// left to do: where the udev rule is not installed, how to install the copy
// that comes with the program; where it is, only to reconnect as the user at
// the seat.
TEST_F(KernelUsbWindowPrint, AUserWithoutAccessIsToldTheDeviceIsThereAndHowToAllowIt) {
    QTemporaryDir udev;
    const QString rules = udev.filePath(QStringLiteral("etc/udev/rules.d"));
    QDir().mkpath(rules);
    const auto shipped = dari::UdevRule::shipped();
    ASSERT_TRUE(shipped);
    dari::UdevRule::setPlaces(
        dari::UdevRule::Places{{rules}, dari::UdevRule::systemPlaces().shippedFolder});
    const auto restorePlaces = qScopeGuard([] { dari::UdevRule::setPlaces(std::nullopt); });
    usb.setNodeAccessible(false);

    const Outcome without = printFromMenu();
    EXPECT_FALSE(without.completed);
    EXPECT_EQ(without.error,
              QStringLiteral("The device is connected, but this user may not use it."));
    EXPECT_TRUE(without.errorDetail.contains(QStringLiteral("sudo install -m 644 ") + *shipped +
                                             QStringLiteral(" /etc/udev/rules.d/")))
        << without.errorDetail.toStdString();
    EXPECT_TRUE(without.errorDetail.contains(QStringLiteral("udevadm control --reload")));
    EXPECT_TRUE(without.detailSelectable);
    EXPECT_FALSE(without.errorDetail.contains(QStringLiteral("transport/dari")));

    ASSERT_TRUE(QFile::copy(*shipped, QDir(rules).filePath(dari::UdevRule::fileName)));
    const Outcome installed = printFromMenu();
    EXPECT_EQ(installed.error,
              QStringLiteral("The device is connected, but this user may not use it."));
    EXPECT_TRUE(installed.errorDetail.contains(QDir(rules).filePath(dari::UdevRule::fileName)))
        << installed.errorDetail.toStdString();
    EXPECT_TRUE(installed.errorDetail.contains(QStringLiteral("uaccess")));
    EXPECT_TRUE(installed.errorDetail.contains(QStringLiteral("connect it again")));
    EXPECT_FALSE(installed.errorDetail.contains(QStringLiteral("sudo")));
    std::cout << "sheet without the rule: " << without.error.toStdString() << "\n"
              << without.errorDetail.toStdString()
              << "\nwith the rule: " << installed.errorDetail.toStdString() << std::endl;
    EXPECT_TRUE(usb.device().commands().isEmpty());

    // Once allowed, the next print goes through.
    usb.setNodeAccessible(true);
    EXPECT_TRUE(printFromMenu().completed);
}

// Unplugged, the device is missed; plugged in again, it prints without a
// restart, and the process keeps no file of the old device.
TEST_F(KernelUsbWindowPrint, AnUnpluggedDeviceWorksAgainOncePluggedIn) {
    EXPECT_TRUE(printFromMenu().completed);
    usb.unplug();
    const Outcome missing = printFromMenu();
    EXPECT_FALSE(missing.completed);
    EXPECT_EQ(missing.error, QStringLiteral("No device is connected."));
    usb.plugIn();
    EXPECT_TRUE(printOnceFound());
    EXPECT_EQ(usb.device().jobs().size(), 2);
    EXPECT_TRUE(waitUntil([&] { return usb.openFileCount() == 0; }, 10000));
}

// Another program holds the interface: the sheet says so, in libusb's name
// for it, and that the cure is to quit that program; nothing is sent.
TEST_F(KernelUsbWindowPrint, AnInterfaceHeldElsewhereIsReported) {
    usb.setInterfaceHeldElsewhere(true);
    const Outcome outcome = printFromMenu();
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.error, QStringLiteral("The device reported a USB error: device already open "
                                            "for exclusive access (LIBUSB_ERROR_BUSY)."));
    EXPECT_TRUE(outcome.errorDetail.contains(QStringLiteral("Quit that program")))
        << outcome.errorDetail.toStdString();
    EXPECT_FALSE(outcome.errorDetail.contains(QStringLiteral("connect it again")));
    EXPECT_TRUE(usb.device().commands().isEmpty());
}

// The kernel's printer driver is set aside for the print and bound again.
TEST_F(KernelUsbWindowPrint, AKernelPrinterDriverDoesNotStopThePrint) {
    usb.setKernelDriverBound(true);
    EXPECT_TRUE(printFromMenu().completed);
    EXPECT_EQ(usb.device().jobs().size(), 1);
    EXPECT_TRUE(waitUntil([&] { return usb.isKernelDriverBound(); }, 10000));
}

// A device that takes nothing: the print ends with the time-out's text.
TEST_F(KernelUsbWindowPrint, ADeviceThatNeverAnswersTimesOut) {
    usb.setTransfersComplete(false);
    const Outcome outcome = printFromMenu();
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.error, QStringLiteral("The device did not answer in time."));
}

// A device that stops taking bytes in the middle of a job's columns, and
// comes back: it still waits for the rest of that job, and would take
// whatever comes next as its columns. A print then, to a model with a
// smaller canvas (whose job is shorter than what the device still waits
// for) or to the same model (whose job would finish the old one), is told
// as done only with a job the device took whole and as it was sent; else it
// fails, and says why.
TEST_F(KernelUsbWindowPrint, APrintAfterAHungJobIsNeverDoneWithoutTheDevicesWholeJob) {
    const auto modelNamed = [](const QString& name) {
        for (const auto& descriptor : ambrel::DeviceDescriptor::supported()) {
            if (descriptor->modelName() == name) {
                return descriptor;
            }
        }
        return std::shared_ptr<const ambrel::DeviceDescriptor>();
    };
    for (const QString& next : {QStringLiteral("Tavrin a5"), QStringLiteral("Tavrin a4")}) {
        SCOPED_TRACE(next.toStdString());
        document->job().setDeviceDescriptor(modelNamed(QStringLiteral("Tavrin a4")));
        // The device hangs once some of the job's columns are in.
        QTimer hangMidJob;
        hangMidJob.setInterval(0);
        QObject::connect(&hangMidJob, &QTimer::timeout, [&] {
            const auto job = usb.device().jobInProgress();
            if (job && job->columnByteCount > 0) {
                usb.setTransfersComplete(false);
                hangMidJob.stop();
            }
        });
        hangMidJob.start();
        const Outcome hung = printFromMenu();
        ASSERT_FALSE(hangMidJob.isActive()) << "the job ended before the device hung";
        ASSERT_FALSE(hung.completed);
        // Within the first piece of columns no column is known to have gone.
        if (hung.error.contains(QStringLiteral("interrupted"))) {
            EXPECT_TRUE(hung.errorDetail.contains(QStringLiteral("off and on")))
                << hung.errorDetail.toStdString();
        } else {
            EXPECT_EQ(hung.error, QStringLiteral("The device did not answer in time."));
        }
        usb.setTransfersComplete(true);
        ASSERT_TRUE(usb.device().jobInProgress());

        document->job().setDeviceDescriptor(modelNamed(next));
        ASSERT_EQ(document->job().deviceDescriptor()->modelName(), next);
        usb.device().clearHistory();
        const Outcome again = printFromMenu();
        if (again.completed) {
            // The device finished exactly the job sent, and nothing else.
            const TavrinReceivedJob expected = inMemoryJob().second;
            const QList<TavrinReceivedJob> received = usb.device().jobs();
            EXPECT_EQ(received.size(), 1);
            EXPECT_TRUE(received.size() == 1 && received.first().columnData == expected.columnData);
            EXPECT_TRUE(usb.device().protocolErrors().isEmpty());
        } else {
            EXPECT_TRUE(usb.device().jobs().isEmpty());
            EXPECT_EQ(again.error,
                      QStringLiteral("The device is still waiting for the rest of a job that was "
                                     "interrupted."))
                << again.error.toStdString();
            EXPECT_TRUE(again.errorDetail.contains(QStringLiteral("off and on")))
                << again.errorDetail.toStdString();
        }

        // Switched off and on, the device prints the job as it was sent (of
        // the model whose print ends with the completion alert).
        usb.unplug();
        usb.device().reconnect();
        usb.plugIn();
        usb.device().clearHistory();
        document->job().setDeviceDescriptor(modelNamed(QStringLiteral("Tavrin a4")));
        EXPECT_TRUE(printOnceFound());
        ASSERT_EQ(usb.device().jobs().size(), 1);
        EXPECT_TRUE(usb.device().jobs().first().columnData == inMemoryJob().second.columnData);
    }
}

// A transfer failing once on the bus loses the state query only: the print
// goes on without it, as with any failed query.
TEST_F(KernelUsbWindowPrint, ATransferFailingOnceLosesOnlyTheStateQuery) {
    usb.failNextTransfers(1, -EPROTO);
    EXPECT_TRUE(printFromMenu().completed);
    EXPECT_EQ(usb.device().commands(), (QStringList{"D", "Y", "0"}));
    EXPECT_EQ(usb.device().jobs().size(), 1);
}

// A stalled write pipe fails the print with the bus's reason; cleared, the
// next print goes through.
TEST_F(KernelUsbWindowPrint, AStalledWritePipeFailsThePrint) {
    usb.setEndpointStalled(TavrinKernelUsbDevice::outEndpoint, true);
    const Outcome outcome = printFromMenu();
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("pipe is stalled")))
        << outcome.error.toStdString();
    usb.setEndpointStalled(TavrinKernelUsbDevice::outEndpoint, false);
    EXPECT_TRUE(printFromMenu().completed);
}

namespace {

class KernelUsbWindowPrintBusy : public KernelUsbWindowPrint {
protected:
    static TavrinSimulatedDevice::Configuration busy() {
        TavrinSimulatedDevice::Configuration c;
        c.isBusy = true;
        return c;
    }
    KernelUsbWindowPrintBusy() : KernelUsbWindowPrint(busy()) {}
};

} // namespace

TEST_F(KernelUsbWindowPrintBusy, ABusyDeviceIsReported) {
    const Outcome outcome = printFromMenu();
    EXPECT_EQ(outcome.error, QStringLiteral("The device is busy."));
    EXPECT_EQ(usb.device().commands(), QStringList{"S"});
}

namespace {

class KernelUsbWindowPrintPluggedLater : public KernelUsbWindowPrint {
protected:
    KernelUsbWindowPrintPluggedLater() : KernelUsbWindowPrint({}, false) {}
};

class KernelUsbWindowPrintDeviceLost : public KernelUsbWindowPrint {
protected:
    static TavrinSimulatedDevice::Configuration failing() {
        TavrinSimulatedDevice::Configuration c;
        c.failAfterColumnBytes = 100000;
        return c;
    }
    KernelUsbWindowPrintDeviceLost() : KernelUsbWindowPrint(failing()) {}
};

} // namespace

// A device plugged in after the application started is found at the next
// Print.
TEST_F(KernelUsbWindowPrintPluggedLater, TheDeviceIsFoundAtTheNextPrint) {
    const Outcome missing = printFromMenu();
    EXPECT_EQ(missing.error, QStringLiteral("No device is connected."));
    usb.plugIn();
    EXPECT_TRUE(printOnceFound());
    EXPECT_EQ(usb.device().jobs().size(), 1);
}

// A device lost while the columns go out: the sheet says the job was
// interrupted and the screen partly exposed.
TEST_F(KernelUsbWindowPrintDeviceLost, TheSheetSaysTheJobWasInterrupted) {
    const Outcome outcome = printFromMenu();
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("partly exposed and probably spoiled")))
        << outcome.error.toStdString();
    EXPECT_TRUE(outcome.errorDetail.contains(QStringLiteral("load a new one")))
        << outcome.errorDetail.toStdString();
    std::cout << "sheet: " << outcome.error.toStdString() << std::endl;
    EXPECT_FALSE(usb.isPluggedIn());
}
