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
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <iostream>

using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;
using lunvik::TavrinKernelUsbDevice;
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

    // The job the in-memory bus's device receives for the document's task.
    QByteArray inMemoryJob() {
        lunvik::TavrinSimulatorUsb memory;
        const ambrel::PrintTask task = document->makePrintTask();
        lunvik::TavrinDeviceConnection(task.deviceDescriptor(), task.transportType())
            .print(task, std::make_shared<platform::Progress>());
        return memory.device().receivedBytes();
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
    EXPECT_TRUE(received == inMemoryJob());
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
    Outcome again;
    EXPECT_TRUE(waitUntil(
        [&] {
            again = printFromMenu();
            return again.completed;
        },
        20000))
        << again.error.toStdString();
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
    Outcome found;
    EXPECT_TRUE(waitUntil(
        [&] {
            found = printFromMenu();
            return found.completed;
        },
        20000))
        << found.error.toStdString();
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
