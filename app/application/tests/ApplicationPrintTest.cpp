#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "core/document/DocumentPackage.h"
#include "core/document/PrintJobDocument.h"
#include "core/window/AppDelegate.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"
#include "platform/usb/SocketUsbHost.h"

#include <QTest>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>

using kestrom::PrintJobDocument;

namespace {

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    return QTest::qWaitFor(condition, milliseconds);
}

// The simulator program on a socket of its own, with the application's USB
// pointed at it and the stencil plug-in registered.
class ApplicationPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket = folder.filePath(QStringLiteral("stencil.sock"));
        jobs = folder.filePath(QStringLiteral("jobs"));
        simulator.start(QStringLiteral(LUNVIK_SIMULATOR),
                        {QStringLiteral("--socket"), socket, QStringLiteral("--png-dir"), jobs});
        ASSERT_TRUE(simulator.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }, 10000));
        qputenv(platform::SocketUsbHost::environmentVariable, QFile::encodeName(socket));
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        lunvik::Application::registerDevicePlugin(
            platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    }

    void TearDown() override {
        simulator.terminate();
        simulator.waitForFinished();
    }

    // Prints the delegate's current document from its menu and waits for
    // the simulator's picture of the job.
    QImage printFromMenu(kestrom::AppDelegate& delegate, PrintJobDocument* document) {
        delegate.printDocument();
        const QString printed = QDir(jobs).filePath(QStringLiteral("job-1.png"));
        auto* window = kestrom::DocumentWindow::windowFor(document);
        EXPECT_TRUE(window);
        if (!window) {
            return {};
        }
        EXPECT_TRUE(waitUntil(
            [&] {
                return window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")) ||
                       window->findChild<kestrom::CompletionAlert*>();
            },
            60000));
        if (auto* error = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"))) {
            ADD_FAILURE() << error->text().toStdString();
            return {};
        }
        // The file may be there before the simulator has written all of it.
        QImage picture;
        EXPECT_TRUE(waitUntil(
            [&] {
                picture = QImage(printed);
                return !picture.isNull();
            },
            10000));
        return picture.convertToFormat(QImage::Format_Grayscale8);
    }

    // The picture a simulated device on the in-memory bus makes of the task.
    static QImage expectedPicture(const ambrel::PrintTask& task) {
        lunvik::TavrinSimulatorUsb usb;
        lunvik::TavrinDeviceConnection connection(task.deviceDescriptor(), task.transportType());
        connection.print(task, std::make_shared<platform::Progress>());
        EXPECT_EQ(usb.device().jobs().size(), 1);
        if (usb.device().jobs().isEmpty()) {
            return {};
        }
        return usb.device().jobs().first().picture().convertToFormat(QImage::Format_Grayscale8);
    }

    static qint64 blackPixels(const QImage& picture) {
        qint64 black = 0;
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* row = picture.constScanLine(y);
            black += std::count(row, row + picture.width(), uchar(0));
        }
        return black;
    }

    static ambrel::OriginalImage::Pointer stencilMark() {
        return ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK)));
    }

    QTemporaryDir folder;
    QString socket;
    QString jobs;
    QProcess simulator;
};

} // namespace

// The whole road of a print: a document of the application, printed from
// its menu, reaches the simulator program over its socket as the device
// would image it.
TEST_F(ApplicationPrintTest, APrintedDocumentReachesTheSimulatorProgramPixelForPixel) {
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.newDocument();
    auto* document =
        qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
    ASSERT_TRUE(document);
    document->job().setOriginalImage(stencilMark());
    ASSERT_TRUE(document->job().originalImage());
    document->job().setImageSizeWithWidthForDisplay_mm(60);
    const ambrel::PrintTask task = document->makePrintTask();

    const QImage received = printFromMenu(delegate, document);
    const QImage expected = expectedPicture(task);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    // The picture left its black marks.
    EXPECT_GT(blackPixels(received), 1000);
}

// A saved package given on the command line opens in its window and prints
// as the job that was saved.
TEST_F(ApplicationPrintTest, ASavedPackageOpenedAtStartPrintsAsTheJobThatWasSaved) {
    const QString package = folder.filePath(QStringLiteral("Mark.lunvik"));
    ambrel::PrintTask saved = [&] {
        kestrom::PrintJobDocument job;
        job.job().setOriginalImage(stencilMark());
        job.job().setImageSizeWithWidthForDisplay_mm(45);
        job.job().setImageRepeatXCount(2);
        kestrom::DocumentPackage::write(job.job(), package);
        return job.makePrintTask();
    }();

    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    kestrom::DocumentController* controller = delegate.documentController();
    ASSERT_TRUE(waitUntil([&] { return !controller->documents().isEmpty(); }, 10000));
    ASSERT_EQ(controller->documents().size(), 1);
    auto* document = qobject_cast<PrintJobDocument*>(controller->documents().first());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->filePath(), package);
    EXPECT_FALSE(document->isEdited());
    ASSERT_TRUE(kestrom::DocumentWindow::windowFor(document));
    EXPECT_TRUE(kestrom::DocumentWindow::windowFor(document)->isVisible());

    const QImage received = printFromMenu(delegate, document);
    const QImage expected = expectedPicture(saved);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    EXPECT_GT(blackPixels(received), 1000);
}
