#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "core/document/PrintJobDocument.h"
#include "core/window/AppDelegate.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"
#include "platform/usb/SocketUsbHost.h"

#include <QElapsedTimer>
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
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace

// The whole road of a print: a document of the application, printed from
// its menu, reaches the simulator program over its socket as the device
// would image it.
TEST(ApplicationPrintTest, APrintedDocumentReachesTheSimulatorProgramPixelForPixel) {
    QTemporaryDir folder;
    const QString socket = folder.filePath(QStringLiteral("stencil.sock"));
    const QString jobs = folder.filePath(QStringLiteral("jobs"));
    QProcess simulator;
    simulator.start(QStringLiteral(LUNVIK_SIMULATOR),
                    {QStringLiteral("--socket"), socket, QStringLiteral("--png-dir"), jobs});
    ASSERT_TRUE(simulator.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }, 10000));
    qputenv(platform::SocketUsbHost::environmentVariable, QFile::encodeName(socket));

    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("defaults.plist")));
    lunvik::Application::registerDevicePlugin(
        platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.newDocument();
    auto* document =
        qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
    ASSERT_TRUE(document);
    document->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
        QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
    ASSERT_TRUE(document->job().originalImage());
    document->job().setImageSizeWithWidthForDisplay_mm(60);
    const ambrel::PrintTask task = document->makePrintTask();

    delegate.printDocument();
    const QString printed = QDir(jobs).filePath(QStringLiteral("job-1.png"));
    auto* window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_TRUE(waitUntil(
        [&] {
            return window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")) ||
                   window->findChild<kestrom::CompletionAlert*>();
        },
        60000));
    ASSERT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")))
        << window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"))->text().toStdString();
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(printed); }, 10000));
    simulator.terminate();
    simulator.waitForFinished();

    // The same task sent straight to a simulated device on the in-memory bus.
    lunvik::TavrinSimulatorUsb usb;
    lunvik::TavrinDeviceConnection connection(task.deviceDescriptor(), task.transportType());
    connection.print(task, std::make_shared<platform::Progress>());
    ASSERT_EQ(usb.device().jobs().size(), 1);
    const QImage expected =
        usb.device().jobs().first().picture().convertToFormat(QImage::Format_Grayscale8);
    const QImage received = QImage(printed).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    // The picture left its black marks.
    qint64 black = 0;
    for (int y = 0; y < received.height(); ++y) {
        const uchar* row = received.constScanLine(y);
        black += std::count(row, row + received.width(), uchar(0));
    }
    EXPECT_GT(black, 1000);
}
