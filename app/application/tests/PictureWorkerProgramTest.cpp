// The program itself, in a child process on the test's own session bus and
// printing to the simulator program, with pictures whose workers crash,
// stall or are killed: each costs that picture or that print a refusal
// that says so, to the script, and the next picture and print work. The
// workers play the faults the documents' markers ask for.

#include "LunvikProcess.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/ModuleLoader.h"
#include "platform/tests/support/ChildProcesses.h"
#include "platform/tests/support/HostilePdfs.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/usb/SocketUsbHost.h"
#include "platform/worker/PictureWorker.h"
#include "platform/worker/PictureWorkerLimits.h"
#include "platform/worker/program/PictureWorkerTestFaults.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

namespace tp = testpictures;
using Faults = platform::PictureWorkerTestFaults;
using Limits = platform::PictureWorkerLimits;

namespace {

const QString documentInterface = QStringLiteral("org.lunvik.Lunvik.Document");
const QString cannotBeDrawn =
    QStringLiteral("could not be drawn: it takes more memory or time than a picture may.");

// An A5 page with a black square; the marker makes its workers play that
// fault.
QByteArray page(const char* marker = nullptr) {
    QString content = QStringLiteral("0 0 0 rg 100 100 200 200 re f");
    if (marker) {
        content = QStringLiteral("% ") + QLatin1String(marker) + u'\n' + content;
    }
    return tp::pdf({QRectF(0, 0, 420, 595), {}, 0, content});
}

class PictureWorkerProgram : public ::testing::Test {
protected:
    void SetUp() override {
        socket = folder.filePath(QStringLiteral("stencil.sock"));
        jobs = folder.filePath(QStringLiteral("jobs"));
        simulator.start(QStringLiteral(LUNVIK_SIMULATOR),
                        {QStringLiteral("--socket"), socket, QStringLiteral("--png-dir"), jobs});
        ASSERT_TRUE(simulator.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(socket) && waited.elapsed() < 10000) {
            QThread::msleep(20);
        }
        ASSERT_TRUE(QFileInfo::exists(socket));
        qputenv(platform::SocketUsbHost::environmentVariable, QFile::encodeName(socket));
        qputenv(Limits::testFaultsVariable, "1");
        qputenv(Limits::deadlineVariable, "3000");
        lunvik.allowScriptedPrints();
        ASSERT_NO_FATAL_FAILURE(lunvik.start());
        const QStringList paths = lunvik.documents();
        ASSERT_EQ(paths.size(), 1);
        document = paths.first();
    }

    void TearDown() override {
        lunvik.stop();
        simulator.terminate();
        simulator.waitForFinished();
        qunsetenv(platform::SocketUsbHost::environmentVariable);
        qunsetenv(Limits::testFaultsVariable);
        qunsetenv(Limits::deadlineVariable);
    }

    QDBusMessage call(const QString& method, const QVariantList& arguments = {}) {
        return QDBusConnection::sessionBus().call(
            LunvikProcess::methodCall(document, documentInterface, method, arguments), QDBus::Block,
            120000);
    }

    QDBusMessage load(const QString& name, const QByteArray& bytes) {
        return call(QStringLiteral("LoadImage"),
                    {QVariantMap{{QStringLiteral("in"), lunvik.write(name, bytes)}}});
    }

    std::vector<pid_t> workers() const {
        return ChildProcesses::pictureWorkers(pid_t(lunvik.process().processId()));
    }

    // Until the canvas and the inspector have drawn what they draw.
    bool workersSettle(int limit = 20000) const {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < limit) {
            if (ChildProcesses::busyMilliseconds(workers(), 250) < 30) {
                return true;
            }
        }
        return false;
    }

    bool jobPrinted(int number) const {
        return QFileInfo::exists(QStringLiteral("%1/job-%2.png").arg(jobs).arg(number));
    }

    QTemporaryDir folder;
    QString socket;
    QString jobs;
    QProcess simulator;
    LunvikProcess lunvik;
    QString document;
};

} // namespace

// A document that crashes the library when it is opened, by the test's
// marker and by a PostScript calculator function nested deep enough to
// overflow its stack, is refused to the script with the error that says
// so; the program goes on, and the next picture loads.
TEST_F(PictureWorkerProgram, APictureThatCrashesItsWorkerIsRefusedAndTheNextOneLoads) {
    const struct {
        QString name;
        QByteArray bytes;
    } crashing[] = {{QStringLiteral("marked.pdf"), page(Faults::crashOnOpen)},
                    {QStringLiteral("nested.pdf"), tp::nestedFunctionPdf(200000)}};
    for (const auto& input : crashing) {
        const QDBusMessage refused = load(input.name, input.bytes);
        ASSERT_EQ(refused.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(refused.errorName(), QStringLiteral("org.lunvik.Lunvik.ScriptError"));
        EXPECT_TRUE(refused.errorMessage().startsWith(
            QStringLiteral("%1: “%2” ")
                .arg(ambrel::OriginalImageError::cannotBeDrawnScriptNumber)
                .arg(input.name) +
            cannotBeDrawn))
            << refused.errorMessage().toStdString();
        EXPECT_EQ(lunvik.process().state(), QProcess::Running);
        const QDBusMessage loaded = load(QStringLiteral("good.pdf"), page());
        EXPECT_EQ(loaded.type(), QDBusMessage::ReplyMessage) << loaded.errorMessage().toStdString();
    }
}

// A worker killed from outside while the print draws the page ends the
// print with the error, and nothing reaches the device; the page is not to
// blame, and the next print of it works. The print starts as the page
// opens, so that it draws the page (later it would take the canvas's
// drawing of it), and every worker busy meanwhile is killed.
TEST_F(PictureWorkerProgram, AWorkerKilledMidPrintEndsThePrintAndTheNextPrintWorks) {
    const QDBusMessage loaded = load(QStringLiteral("slow.pdf"), page(Faults::slowRender));
    ASSERT_EQ(loaded.type(), QDBusMessage::ReplyMessage) << loaded.errorMessage().toStdString();
    QDBusPendingCall print = QDBusConnection::sessionBus().asyncCall(
        LunvikProcess::methodCall(document, documentInterface, QStringLiteral("Print"), {}),
        120000);
    int killed = 0;
    while (!print.isFinished()) {
        for (const pid_t worker : workers()) {
            if (ChildProcesses::busyMilliseconds({worker}, 20) > 0) {
                kill(worker, SIGKILL);
                ++killed;
            }
        }
    }
    EXPECT_GT(killed, 0);
    const QDBusMessage failed = print.reply();
    ASSERT_EQ(failed.type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(failed.errorMessage().contains(QStringLiteral("“slow.pdf” ") + cannotBeDrawn))
        << failed.errorMessage().toStdString();
    EXPECT_FALSE(jobPrinted(1));

    const QDBusMessage printed = call(QStringLiteral("Print"));
    EXPECT_EQ(printed.type(), QDBusMessage::ReplyMessage) << printed.errorMessage().toStdString();
    QElapsedTimer written;
    written.start();
    while (!jobPrinted(1) && written.elapsed() < 10000) {
        QThread::msleep(50);
    }
    EXPECT_TRUE(jobPrinted(1));
    EXPECT_FALSE(jobPrinted(2));
}

// A page whose drawing never ends: its workers miss their deadline and are
// killed, so that no processor stays busy; the print fails with the error,
// and the next picture is drawn and printed by fresh workers.
TEST_F(PictureWorkerProgram, AStalledDrawingMissesItsDeadlineAndItsWorkerIsReplaced) {
    const QDBusMessage loaded = load(QStringLiteral("stall.pdf"), page(Faults::stallOnRender));
    ASSERT_EQ(loaded.type(), QDBusMessage::ReplyMessage) << loaded.errorMessage().toStdString();
    const QDBusMessage failed = call(QStringLiteral("Print"));
    ASSERT_EQ(failed.type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(failed.errorMessage().contains(QStringLiteral("“stall.pdf” ") + cannotBeDrawn))
        << failed.errorMessage().toStdString();
    EXPECT_FALSE(jobPrinted(1));
    // Nothing is still drawing it, after at most one deadline.
    EXPECT_TRUE(workersSettle(Limits::deadline(Limits::Request::render).count() + 2000));

    const QDBusMessage good = load(QStringLiteral("good.pdf"), page());
    ASSERT_EQ(good.type(), QDBusMessage::ReplyMessage) << good.errorMessage().toStdString();
    const QDBusMessage printed = call(QStringLiteral("Print"));
    EXPECT_EQ(printed.type(), QDBusMessage::ReplyMessage) << printed.errorMessage().toStdString();
}

// The program reads PDF and HEIC pictures without mapping the libraries
// that read them; its workers run with no new privileges and under the
// system-call filter.
TEST_F(PictureWorkerProgram, TheProgramMapsNoDecoderAndItsWorkersAreConfined) {
    ASSERT_EQ(load(QStringLiteral("page.pdf"), page()).type(), QDBusMessage::ReplyMessage);
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(0xff336699);
    const QByteArray heic = tp::heic(photo);
    if (!heic.isEmpty()) {
        const QDBusMessage loaded = load(QStringLiteral("photo.heic"), heic);
        EXPECT_EQ(loaded.type(), QDBusMessage::ReplyMessage) << loaded.errorMessage().toStdString();
    }
    QFile maps(QStringLiteral("/proc/%1/maps").arg(lunvik.process().processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    for (const char* library : {"/libpoppler", "/libheif", "/liblunvik-picture-codecs"}) {
        EXPECT_FALSE(mapped.contains(library)) << library;
    }
    const std::vector<pid_t> running = workers();
    ASSERT_FALSE(running.empty());
    for (const pid_t worker : running) {
        // One that has just started confines itself before its first request.
        QByteArray lines;
        QElapsedTimer timer;
        timer.start();
        do {
            QFile status(QStringLiteral("/proc/%1/status").arg(worker));
            if (!status.open(QIODevice::ReadOnly)) {
                break; // ended meanwhile
            }
            lines = status.readAll();
        } while (!lines.contains("Seccomp:\t2") && timer.elapsed() < 10000);
        if (!lines.isEmpty()) {
            EXPECT_TRUE(lines.contains("NoNewPrivs:\t1")) << lines.toStdString();
            EXPECT_TRUE(lines.contains("Seccomp:\t2")) << lines.toStdString();
        }
    }
}

// The program run where its picture worker program is not (a build or a
// package without it): a PDF is refused as a picture that could not be
// drawn, not as a file that holds none, and the program goes on.
TEST(PictureWorkerProgramMissing, APdfIsRefusedAsNotDrawnAndOtherPicturesLoad) {
    const QFileInfo program(QStringLiteral(LUNVIK_PROGRAM));
    const QString libraries = platform::ModuleLoader::folder();
    // Beside the build, so that its files are linked rather than copied.
    QTemporaryDir copy(program.dir().filePath(QStringLiteral("../without-worker-XXXXXX")));
    ASSERT_TRUE(copy.isValid());
    const QDir bin(copy.filePath(QStringLiteral("bin")));
    const QDir lib(bin.filePath(program.dir().relativeFilePath(libraries)));
    ASSERT_TRUE(QDir().mkpath(bin.path()) && QDir().mkpath(lib.path()));
    const auto place = [](const QString& from, const QString& to) {
        return ::link(QFile::encodeName(from), QFile::encodeName(to)) == 0 || QFile::copy(from, to);
    };
    ASSERT_TRUE(place(program.filePath(), bin.filePath(program.fileName())));
    for (const QFileInfo& file : QDir(libraries).entryInfoList(QDir::Files)) {
        if (file.fileName() != QLatin1String(platform::PictureWorker::programName)) {
            ASSERT_TRUE(place(file.filePath(), lib.filePath(file.fileName())))
                << file.filePath().toStdString();
        }
    }
    ASSERT_FALSE(lib.exists(QLatin1String(platform::PictureWorker::programName)));

    LunvikProcess lunvik;
    lunvik.setProgram(bin.filePath(program.fileName()));
    ASSERT_NO_FATAL_FAILURE(lunvik.start());
    const QStringList paths = lunvik.documents();
    ASSERT_EQ(paths.size(), 1);
    const auto load = [&](const QString& name, const QByteArray& bytes) {
        return QDBusConnection::sessionBus().call(
            LunvikProcess::methodCall(
                paths.first(), documentInterface, QStringLiteral("LoadImage"),
                {QVariantMap{{QStringLiteral("in"), lunvik.write(name, bytes)}}}),
            QDBus::Block, 120000);
    };
    const QDBusMessage refused = load(QStringLiteral("page.pdf"), page());
    ASSERT_EQ(refused.type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(refused.errorMessage().startsWith(
        QStringLiteral("%1: “page.pdf” ")
            .arg(ambrel::OriginalImageError::cannotBeDrawnScriptNumber) +
        cannotBeDrawn))
        << refused.errorMessage().toStdString();
    EXPECT_EQ(lunvik.process().state(), QProcess::Running);

    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
    const QDBusMessage loaded = load(QStringLiteral("picture.png"), png);
    EXPECT_EQ(loaded.type(), QDBusMessage::ReplyMessage) << loaded.errorMessage().toStdString();
}
