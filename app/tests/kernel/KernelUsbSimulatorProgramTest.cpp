#include "KernelUsbTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "app/tests/TavrinTestSupport.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/tests/support/TestPictures.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

using namespace kernel_usb_test;
using namespace tavrin_test;

// The simulator program serves the device on its emulated bus; a program
// started with the environment it prints (here this test's process) prints a
// photo through libusb, and the program's picture of the job is the
// in-memory device's.
TEST(KernelUsbSimulatorProgram, APhotoPrintedOnTheProgramsBusIsTheInMemoryDevicesPicture) {
    QTemporaryDir folder;
    const QString jobs = folder.filePath(QStringLiteral("jobs"));
    QProcess simulator;
    // Started as a user starts it, without the preload library.
    QProcessEnvironment plain = QProcessEnvironment::systemEnvironment();
    plain.remove(QStringLiteral("LD_PRELOAD"));
    plain.remove(QStringLiteral("UMOCKDEV_DIR"));
    simulator.setProcessEnvironment(plain);
    simulator.start(QStringLiteral(LUNVIK_SIMULATOR),
                    {QStringLiteral("--usb"), QStringLiteral("--png-dir"), jobs});
    ASSERT_TRUE(simulator.waitForStarted());
    ASSERT_TRUE(simulator.waitForReadyRead(20000));
    const QString environment = QString::fromLocal8Bit(simulator.readLine()).trimmed();
    const QStringList parts = environment.split(QLatin1Char(' '));
    ASSERT_EQ(parts.size(), 2) << environment.toStdString();
    ASSERT_TRUE(parts[0].startsWith(QStringLiteral("UMOCKDEV_DIR="))) << environment.toStdString();
    ASSERT_TRUE(parts[1].contains(QStringLiteral("libumockdev-preload.so.0")));
    // This process already runs with the preload library; the bed is the
    // program's.
    qputenv("UMOCKDEV_DIR", parts[0].mid(13).toLocal8Bit());

    QImage photo(480, 300, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb(x * 255 / 480, y * 255 / 300, ((x / 30 + y / 30) % 2) * 200));
        }
    }
    const auto picture = ambrel::OriginalImage::fromData(
        testpictures::encode(photo, "jpeg", 90), QUrl::fromLocalFile(QStringLiteral("/p/b.jpg")));
    ASSERT_TRUE(picture);
    const auto model = smallModel();
    auto options = optionsAtOwnSize(photo);
    options.imageBitmapConversion = ambrel::BlackConversion::halftone();
    const auto t = task(model, ambrel::ImageSource::originalImage(picture, options));

    lunvik::TavrinDeviceConnection(model, ambrel::TransportType::usb)
        .print(t, std::make_shared<platform::Progress>());
    platform::MainThread::drain();
    const QString written = QDir(jobs).filePath(QStringLiteral("job-1.png"));
    QImage received;
    ASSERT_TRUE(eventually([&] {
        received = QImage(written);
        return !received.isNull();
    })) << simulator.readAllStandardError().toStdString();

    QImage expected;
    {
        lunvik::TavrinSimulatorUsb memory;
        lunvik::TavrinDeviceConnection(model, ambrel::TransportType::usb)
            .print(t, std::make_shared<platform::Progress>());
        ASSERT_EQ(memory.device().jobs().size(), 1);
        expected = memory.device().jobs().first().picture();
    }
    EXPECT_TRUE(received.convertToFormat(QImage::Format_Grayscale8) ==
                expected.convertToFormat(QImage::Format_Grayscale8));

    simulator.terminate();
    if (!simulator.waitForFinished(60000)) {
        // Where it waits, for whoever reads the failure.
        QProcess debugger;
        debugger.start(QStringLiteral("gdb"),
                       {QStringLiteral("-p"), QString::number(simulator.processId()),
                        QStringLiteral("-batch"), QStringLiteral("-ex"),
                        QStringLiteral("thread apply all bt")});
        debugger.waitForFinished(60000);
        ADD_FAILURE() << "the simulator did not end on SIGTERM:\n"
                      << debugger.readAllStandardOutput().toStdString();
        simulator.kill();
        simulator.waitForFinished();
        return;
    }
    EXPECT_EQ(simulator.exitStatus(), QProcess::NormalExit);
    // The program took its bed with it.
    EXPECT_FALSE(QDir(parts[0].mid(13)).exists());
}

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The state letter of a process in /proc: 'T' for one stopped by its
// terminal.
char processState(qint64 pid) {
    const QByteArray stat = contents(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype end = stat.lastIndexOf(')');
    return end >= 0 && end + 2 < stat.size() ? stat.at(end + 2) : '?';
}

} // namespace

// Started with & from an interactive shell, as the socket simulator is in
// the README, the program is in the background of its terminal: it must go
// on serving the device (a stopped program would leave the application
// waiting on it for ever), and take commands once in the foreground.
TEST(KernelUsbSimulatorProgram, StartedInTheBackgroundOfAShellItServesTheDevice) {
    const QString terminal = QStandardPaths::findExecutable(QStringLiteral("script"));
    const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
    if (terminal.isEmpty() || bash.isEmpty()) {
        GTEST_SKIP() << "needs script (util-linux) and bash for a terminal with job control";
    }
    QTemporaryDir folder;
    const QString jobs = folder.filePath(QStringLiteral("jobs"));
    const QString environmentFile = folder.filePath(QStringLiteral("environment"));
    const QString log = folder.filePath(QStringLiteral("log"));
    const QString pidFile = folder.filePath(QStringLiteral("pid"));
    const QString commands = folder.filePath(QStringLiteral("session.sh"));
    {
        QFile session(commands);
        ASSERT_TRUE(session.open(QIODevice::WriteOnly));
        session.write(
            QStringLiteral("set -m\n'%1' --usb --png-dir '%2' >'%3' 2>'%4' &\n"
                           "echo $! >'%5'\nwait\n")
                .arg(QStringLiteral(LUNVIK_SIMULATOR), jobs, environmentFile, log, pidFile)
                .toLocal8Bit());
    }
    QProcess shell;
    QProcessEnvironment plain = QProcessEnvironment::systemEnvironment();
    plain.remove(QStringLiteral("LD_PRELOAD"));
    plain.remove(QStringLiteral("UMOCKDEV_DIR"));
    shell.setProcessEnvironment(plain);
    // An interactive shell on a terminal of its own.
    shell.start(terminal, {QStringLiteral("-qec"),
                           bash + QStringLiteral(" --norc --noprofile -i ") + commands,
                           QStringLiteral("/dev/null")});
    ASSERT_TRUE(shell.waitForStarted());
    qint64 pid = 0;
    bool ended = false;
    // Whatever fails, the program is stopped as with Ctrl+C.
    const auto stop = qScopeGuard([&] {
        if (pid > 0 && !ended) {
            ::kill(pid_t(pid), SIGINT);
            ::kill(pid_t(pid), SIGCONT);
        }
        if (!shell.waitForFinished(60000)) {
            shell.kill();
            shell.waitForFinished();
        }
    });

    // It tells that it reads no commands in the background; a stopped one
    // would tell nothing.
    const QDeadlineTimer deadline(60000);
    while (!contents(log).contains("in the background")) {
        pid = contents(pidFile).trimmed().toLongLong();
        ASSERT_FALSE(pid > 0 && processState(pid) == 'T') << "stopped by its terminal";
        ASSERT_FALSE(deadline.hasExpired()) << contents(log).constData();
        ASSERT_NE(shell.state(), QProcess::NotRunning) << shell.readAll().constData();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid = contents(pidFile).trimmed().toLongLong();
    ASSERT_GT(pid, 0);
    const QByteArray environment = contents(environmentFile).trimmed();
    ASSERT_TRUE(environment.startsWith("UMOCKDEV_DIR=")) << environment.constData();
    const QByteArray bed = environment.mid(13, environment.indexOf(' ') - 13);
    qputenv("UMOCKDEV_DIR", bed);

    // A print through libusb reaches it.
    const auto model = smallModel();
    const QImage picture = thinLines();
    const auto t = task(model, ambrel::ImageSource::originalImage(
                                   ambrel::OriginalImage::fromData(
                                       testpictures::encode(picture, "png"),
                                       QUrl::fromLocalFile(QStringLiteral("/p/lines.png"))),
                                   optionsAtOwnSize(picture)));
    lunvik::TavrinDeviceConnection(model, ambrel::TransportType::usb)
        .print(t, std::make_shared<platform::Progress>());
    platform::MainThread::drain();
    EXPECT_TRUE(
        eventually([&] { return contents(log).contains("wrote "); }, std::chrono::seconds(60)))
        << contents(log).constData();

    // Ctrl+C's signal ends it and its bed; then the shell's wait ends.
    ::kill(pid_t(pid), SIGINT);
    ended = true;
    EXPECT_TRUE(shell.waitForFinished(60000));
    EXPECT_FALSE(QDir(QString::fromLocal8Bit(bed)).exists());
}
