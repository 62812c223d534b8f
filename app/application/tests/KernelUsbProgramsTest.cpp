#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/UserDefaultsKeys.h"
#include "core/scripting/ScriptingService.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Bundle.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

using kestrom::ScriptingService;

namespace {

// Generous for a sanitized build on a busy machine, yet within the test's
// time-out under ctest, so that a failure is told and the programs stopped.
constexpr int startLimit = 30000;
constexpr int printLimitSeconds = 80;

// The two programs as a user runs them: the simulator serving the device on
// its emulated USB bus, and the application started with the environment the
// simulator prints, on the test's own session bus and with a settings folder
// of its own.
class KernelUsbPrograms : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            << "run under a session bus of its own (tools/with-session-bus.sh)";
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("test-defaults.plist")));
        lunvik::Application::registerDevicePlugin(
            platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    }

    void TearDown() override {
        for (QProcess* program : {&application, &simulator}) {
            if (program->state() != QProcess::NotRunning) {
                program->terminate();
                if (!program->waitForFinished(30000)) {
                    program->kill();
                    program->waitForFinished();
                }
            }
        }
    }

    // The environment of a user's shell: no emulation of its own.
    static QProcessEnvironment userEnvironment() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LD_PRELOAD"));
        environment.remove(QStringLiteral("UMOCKDEV_DIR"));
        return environment;
    }

    // Starts the simulator with --usb, away from the build, and keeps what
    // it prints: the environment alone on its standard output, the command
    // that starts the application among its diagnostic lines.
    void startSimulator() {
        simulator.setProcessEnvironment(userEnvironment());
        simulator.setWorkingDirectory(folder.path());
        simulator.start(QStringLiteral(LUNVIK_SIMULATOR),
                        {QStringLiteral("--usb"), QStringLiteral("--png-dir"), jobs()});
        EXPECT_TRUE(simulator.waitForStarted(startLimit));
        static const QRegularExpression commandLine(
            QStringLiteral("start the application with:\n *([^\n]+)\n"));
        const QDeadlineTimer deadline(startLimit);
        QRegularExpressionMatch match;
        for (;;) {
            simulatorLog += simulator.readAllStandardError();
            match = commandLine.match(QString::fromLocal8Bit(simulatorLog));
            if ((match.hasMatch() && simulator.canReadLine()) || deadline.hasExpired() ||
                simulator.state() != QProcess::Running) {
                break;
            }
            simulator.waitForReadyRead(1000);
        }
        printedEnvironment = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        printedCommand = match.captured(1).trimmed();
    }

    // Whether the simulator has reported the job's picture written, reading
    // its diagnostic lines as they come.
    bool waitForWrittenJob(const QString& path) {
        const QByteArray written = QByteArrayLiteral("wrote ") + QFile::encodeName(path);
        const QDeadlineTimer deadline(startLimit);
        simulator.setReadChannel(QProcess::StandardError);
        while (!simulatorLog.contains(written)) {
            if (deadline.hasExpired() || simulator.state() != QProcess::Running) {
                return false;
            }
            simulator.waitForReadyRead(1000);
            simulatorLog += simulator.readAllStandardError();
        }
        return true;
    }

    // Settings as a user has them who ticked "always allow" in the question a
    // script's first print asks.
    QString configFolderAllowingScriptedPrints() const {
        const QString config = folder.filePath(QStringLiteral("config"));
        platform::UserDefaults(config + QStringLiteral("/org.lunvik.Lunvik.plist"))
            .setBool(kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key(), true);
        return config;
    }

    // The application whose document is listed on the bus.
    bool waitForDocument(const QString& path) {
        const QDeadlineTimer deadline(startLimit);
        while (application.state() == QProcess::Running && !deadline.hasExpired()) {
            QDBusMessage get = QDBusMessage::createMethodCall(
                ScriptingService::serviceName, ScriptingService::applicationPath,
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            get << ScriptingService::applicationInterface << QStringLiteral("documents");
            const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
            if (reply.type() == QDBusMessage::ReplyMessage && documentPaths(reply).contains(path)) {
                return true;
            }
            application.waitForFinished(200);
        }
        return false;
    }

    static QStringList documentPaths(const QDBusMessage& reply) {
        QStringList paths;
        if (reply.arguments().isEmpty()) {
            return paths;
        }
        const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
        for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(value)) {
            paths << path.path();
        }
        return paths;
    }

    // A script's command, as the README writes it: gdbus on the session bus.
    // Answers gdbus's error text, empty when the command succeeded.
    static QString script(const QString& path, const QStringList& command) {
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"),
                    QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                                QStringLiteral("--dest"), ScriptingService::serviceName,
                                QStringLiteral("--timeout"), QString::number(printLimitSeconds),
                                QStringLiteral("--object-path"), path, QStringLiteral("--method")} +
                        command);
        if (!gdbus.waitForStarted(startLimit) ||
            !gdbus.waitForFinished((printLimitSeconds + 10) * 1000)) {
            return QStringLiteral("gdbus did not end");
        }
        if (gdbus.exitStatus() != QProcess::NormalExit || gdbus.exitCode() != 0) {
            return QStringLiteral("gdbus failed: ") +
                   QString::fromLocal8Bit(gdbus.readAllStandardError());
        }
        return {};
    }

    // The picture a simulated device on the in-memory bus makes of the
    // document a script made: the model set, then the picture loaded by the
    // road scripts take.
    static QImage inMemoryPicture(const QString& modelName, const QString& photo) {
        kestrom::PrintJobDocument document;
        const auto& supported = ambrel::DeviceDescriptor::supported();
        const auto model = std::find_if(supported.begin(), supported.end(),
                                        [&](const auto& d) { return d->modelName() == modelName; });
        EXPECT_NE(model, supported.end());
        if (model == supported.end()) {
            return {};
        }
        document.job().setDeviceDescriptor(*model);
        kestrom::ImageImport(document.job(), nullptr)
            .setImageWithDroppedFileURL(QUrl::fromLocalFile(photo));
        EXPECT_TRUE(document.job().originalImage());
        const ambrel::PrintTask task = document.makePrintTask();

        lunvik::TavrinSimulatorUsb usb;
        lunvik::TavrinDeviceConnection(task.deviceDescriptor(), task.transportType())
            .print(task, std::make_shared<platform::Progress>());
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

    QString jobs() const { return folder.filePath(QStringLiteral("jobs")); }

    QTemporaryDir folder;
    QProcess simulator;
    QProcess application;
    QByteArray simulatorLog;
    QString printedEnvironment;
    QString printedCommand;
};

} // namespace

// The whole road a user takes without hardware: the simulator program plays
// the device on its emulated USB bus, the application started with the
// environment it prints finds the device through libusb, and a script loads
// a photo and prints it. The simulator's picture of the job is the in-memory
// device's.
TEST_F(KernelUsbPrograms,
       AScriptedPhotoPrintReachesTheSimulatorsUsbBusAsTheInMemoryDevicesPicture) {
    QImage photo(480, 300, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb(x * 255 / 480, y * 255 / 300, ((x / 30 + y / 30) % 2) * 200));
        }
    }
    const QString photoPath = folder.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(photo.save(photoPath, "JPEG", 90));

    startSimulator();
    ASSERT_FALSE(printedCommand.isEmpty()) << simulatorLog.constData();
    ASSERT_TRUE(printedEnvironment.contains(QStringLiteral("UMOCKDEV_DIR=")))
        << printedEnvironment.toStdString();
    ASSERT_TRUE(printedEnvironment.contains(QStringLiteral("libumockdev-preload.so.0")));
    EXPECT_TRUE(printedCommand.startsWith(printedEnvironment + QLatin1Char(' ')))
        << printedCommand.toStdString();

    // The printed command as a user pastes it into a shell in another folder,
    // offscreen, with settings of the test's own.
    QProcessEnvironment user = userEnvironment();
    user.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    user.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolderAllowingScriptedPrints());
    user.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    // The socket simulator would take the place of the USB bus.
    user.remove(QStringLiteral("LUNVIK_USB_SIMULATOR_SOCKET"));
    application.setProcessEnvironment(user);
    application.setWorkingDirectory(folder.path());
    application.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), QStringLiteral("exec env ") + printedCommand});
    ASSERT_TRUE(application.waitForStarted(startLimit));

    // The script of the README: the model, the picture, the print.
    const QString document = QStringLiteral("/org/lunvik/Lunvik/Document/1");
    ASSERT_TRUE(waitForDocument(document)) << application.readAllStandardError().constData();
    const QString model = QStringLiteral("Tavrin a5");
    const QString documentInterface = ScriptingService::documentInterface;
    EXPECT_EQ(
        script(document, {QStringLiteral("org.freedesktop.DBus.Properties.Set"), documentInterface,
                          QStringLiteral("modelName"), QStringLiteral("<'%1'>").arg(model)}),
        QString());
    EXPECT_EQ(script(document, {documentInterface + QStringLiteral(".LoadImage"),
                                QStringLiteral("{'in': <'%1'>}").arg(photoPath)}),
              QString());
    const QString printed = script(document, {documentInterface + QStringLiteral(".Print")});
    ASSERT_EQ(printed, QString()) << application.readAllStandardError().constData();

    const QString job = QDir(jobs()).filePath(QStringLiteral("job-1.png"));
    ASSERT_TRUE(waitForWrittenJob(job)) << simulatorLog.constData();
    const QImage received = QImage(job).convertToFormat(QImage::Format_Grayscale8);
    const QImage expected = inMemoryPicture(model, photoPath);
    ASSERT_FALSE(expected.isNull());
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    // The photo left its black dots.
    EXPECT_GT(blackPixels(received), 10000);
    // The application is still there to print again.
    EXPECT_EQ(application.state(), QProcess::Running);

    // Stopped as with Ctrl+C: the simulator ends cleanly (in a sanitized
    // build, without a report).
    application.terminate();
    application.waitForFinished(startLimit);
    ::kill(pid_t(simulator.processId()), SIGINT);
    ASSERT_TRUE(simulator.waitForFinished(startLimit));
    simulatorLog += simulator.readAllStandardError();
    EXPECT_EQ(simulator.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(simulator.exitCode(), 0) << simulatorLog.constData();
}
