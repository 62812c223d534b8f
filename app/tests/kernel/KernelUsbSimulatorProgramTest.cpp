#include "KernelUsbTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinCommand.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "app/tests/TavrinTestSupport.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/tests/support/TestPictures.h"
#include "transport/model/PipeError.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

using namespace kernel_usb_test;
using namespace tavrin_test;

namespace {

// The program as a user starts it with --usb, without the preload library,
// its environment line read: the earliest sign that it serves.
class UsbSimulatorProgram {
public:
    explicit UsbSimulatorProgram(const QStringList& arguments = {}) {
        QProcessEnvironment plain = QProcessEnvironment::systemEnvironment();
        plain.remove(QStringLiteral("LD_PRELOAD"));
        plain.remove(QStringLiteral("UMOCKDEV_DIR"));
        process.setProcessEnvironment(plain);
        process.start(QStringLiteral(LUNVIK_SIMULATOR),
                      QStringList{QStringLiteral("--usb")} + arguments);
        if (process.waitForStarted() && process.waitForReadyRead(20000)) {
            environment = QString::fromLocal8Bit(process.readLine()).trimmed();
        }
        if (environment.startsWith(QStringLiteral("UMOCKDEV_DIR="))) {
            bed = environment.section(QLatin1Char(' '), 0, 0).mid(13);
        }
        // From here on its diagnostic lines are waited for.
        process.setReadChannel(QProcess::StandardError);
    }

    ~UsbSimulatorProgram() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    // Gives one command on the program's standard input and waits for its
    // answer among the diagnostic lines.
    bool command(const QByteArray& text, const QByteArray& answer = "ok\n") {
        const qsizetype from = log.size();
        process.write(text + '\n');
        return waitForLog(answer, from);
    }

    // Waits for the text among the diagnostic lines from the given place on;
    // false when the program ended without writing it.
    bool waitForLog(const QByteArray& text, qsizetype from = 0) {
        const QDeadlineTimer deadline(60000);
        while (log.indexOf(text, from) < 0) {
            if (deadline.hasExpired() || process.state() != QProcess::Running) {
                return false;
            }
            process.waitForReadyRead(1000);
            log += process.readAllStandardError();
        }
        return true;
    }

    // The device's node as the program names it; empty when it names none.
    QString nodePath() {
        static const QByteArray serving = "emulated USB bus at ";
        const QDeadlineTimer deadline(60000);
        qsizetype at = -1;
        while ((at = log.indexOf(serving)) < 0 || log.indexOf('\n', at) < 0) {
            if (deadline.hasExpired() || process.state() != QProcess::Running) {
                return {};
            }
            process.waitForReadyRead(1000);
            log += process.readAllStandardError();
        }
        at += serving.size();
        return QString::fromLocal8Bit(log.mid(at, log.indexOf('\n', at) - at));
    }

    // SIGTERM; the program ends of itself and takes its bed with it.
    ::testing::AssertionResult endsOnSigterm() {
        process.terminate();
        return ends();
    }

    ::testing::AssertionResult ends() {
        if (!process.waitForFinished(60000)) {
            // Where it waits, for whoever reads the failure.
            QProcess debugger;
            debugger.start(QStringLiteral("gdb"),
                           {QStringLiteral("-p"), QString::number(process.processId()),
                            QStringLiteral("-batch"), QStringLiteral("-ex"),
                            QStringLiteral("thread apply all bt")});
            debugger.waitForFinished(60000);
            return ::testing::AssertionFailure() << "the simulator did not end on SIGTERM:\n"
                                                 << debugger.readAllStandardOutput().toStdString();
        }
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            return ::testing::AssertionFailure()
                   << "the simulator was ended by the signal or failed (exit code "
                   << process.exitCode() << ")";
        }
        if (QDir(bed).exists()) {
            return ::testing::AssertionFailure() << "the bed " << bed.toStdString() << " is left";
        }
        return ::testing::AssertionSuccess();
    }

    QProcess process;
    QString environment;
    QString bed;
    QByteArray log;
};

} // namespace

// The simulator program serves the device on its emulated bus; a program
// started with the environment it prints (here this test's process) prints a
// photo through libusb, and the program's picture of the job is the
// in-memory device's.
TEST(KernelUsbSimulatorProgram, APhotoPrintedOnTheProgramsBusIsTheInMemoryDevicesPicture) {
    QTemporaryDir folder;
    const QString jobs = folder.filePath(QStringLiteral("jobs"));
    UsbSimulatorProgram simulator({QStringLiteral("--png-dir"), jobs});
    const QString& environment = simulator.environment;
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
    })) << simulator.process.readAllStandardError().toStdString();

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

    EXPECT_TRUE(simulator.endsOnSigterm());
}

// A signal that comes as soon as the program serves, before it waits for
// commands, ends it as one that comes later does: it is not lost, nor does
// it end the program before it took its bed away.
TEST(KernelUsbSimulatorProgram, ASignalAsSoonAsItServesEndsIt) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        UsbSimulatorProgram simulator;
        ASSERT_FALSE(simulator.bed.isEmpty()) << simulator.environment.toStdString();
        ASSERT_TRUE(simulator.endsOnSigterm()) << "attempt " << attempt;
    }
}

// A signal while the application's transfer waits on a device that takes
// nothing ends the program as a pulled cable ends the device: the transfer
// fails, and the program waits for the application to let the device go
// before its bed goes (a call the application made on a bed already gone
// would end the application's process).
TEST(KernelUsbSimulatorProgram, ASignalWhileATransferWaitsEndsItAsAPulledCable) {
    UsbSimulatorProgram busy;
    ASSERT_FALSE(busy.bed.isEmpty()) << busy.environment.toStdString();
    qputenv("UMOCKDEV_DIR", QFile::encodeName(busy.bed));
    auto context = open();
    ASSERT_TRUE(busy.command("hang")) << busy.log.constData();
    std::atomic<bool> sending = false;
    std::optional<platform::Error> sent;
    std::thread sender([&] {
        sending = true;
        sent = thrown([&] { context->send(lunvik::TavrinCommand::stateQuery()); });
    });
    EXPECT_TRUE(eventually([&] { return sending.load(); }));
    busy.process.terminate();
    sender.join();
    ASSERT_TRUE(sent);
    // A machine too busy to send the signal within the send's time-out
    // makes it time out instead.
    EXPECT_TRUE(fennick::pipeErrorCode(*sent) == fennick::PipeErrorCode::noDevice ||
                fennick::pipeErrorCode(*sent) == fennick::PipeErrorCode::timeout)
        << sent->what();

    ASSERT_TRUE(busy.waitForLog("to let the device go")) << busy.log.constData();
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(18); })),
              fennick::PipeErrorCode::noDevice);
    context.reset();
    EXPECT_TRUE(busy.ends());
}

// The signal ends the program with its device unplugged, and with a file of
// a program that holds on to it: the interface claimed and a transfer in
// flight, which the program is given a short while to let go.
TEST(KernelUsbSimulatorProgram, ASignalEndsItWithTheDeviceUnpluggedOrAFileHeldOnIt) {
    {
        UsbSimulatorProgram unplugged;
        ASSERT_TRUE(unplugged.command("unplug")) << unplugged.log.constData();
        EXPECT_TRUE(unplugged.endsOnSigterm());
    }

    UsbSimulatorProgram busy;
    ASSERT_TRUE(busy.command("hang")) << busy.log.constData();
    const QString node = busy.nodePath();
    ASSERT_FALSE(node.isEmpty()) << busy.log.constData();
    qputenv("UMOCKDEV_DIR", QFile::encodeName(busy.bed));
    // The calls as libusb makes them, without its thread that would go on
    // reaping: a call made on the bed once it went would end this process.
    const int file = ::open(QFile::encodeName(node).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(file, 0);
    const auto closeFile = qScopeGuard([file] { ::close(file); });
    unsigned int interface = 0;
    ASSERT_EQ(::ioctl(file, USBDEVFS_CLAIMINTERFACE, &interface), 0);
    QByteArray query = lunvik::TavrinCommand::stateQuery();
    usbdevfs_urb urb{};
    urb.type = USBDEVFS_URB_TYPE_BULK;
    urb.endpoint = Device::outEndpoint;
    urb.buffer = query.data();
    urb.buffer_length = int(query.size());
    ASSERT_EQ(::ioctl(file, USBDEVFS_SUBMITURB, &urb), 0);
    EXPECT_TRUE(busy.endsOnSigterm());
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
        if (pid <= 0) {
            pid = contents(pidFile).trimmed().toLongLong();
        }
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
    // would tell nothing. The shell notes its number once it started it,
    // which a busy machine may let the program's first words come before.
    const QDeadlineTimer deadline(60000);
    while (!contents(log).contains("in the background") || pid <= 0) {
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
