#include "ProgramPrinter.h"

#include "core/document/job/UserDefaultsKeys.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace bench {

namespace {

const QString service = QStringLiteral("org.lunvik.Lunvik");
const QString documentInterface = QStringLiteral("org.lunvik.Lunvik.Document");

QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return message;
}

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

} // namespace

ProgramPrinter::ProgramPrinter(const QString& program, const QString& simulator) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        fail(QStringLiteral("no session bus: run under tools/with-session-bus.sh"));
        return;
    }
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(service)) {
        fail(QStringLiteral("another Lunvik answers on this bus"));
        return;
    }
    const QString socket = m_folder.filePath(QStringLiteral("stencil.sock"));
    m_simulator.setProcessChannelMode(QProcess::MergedChannels);
    m_simulator.start(simulator, {QStringLiteral("--socket"), socket});
    if (!m_simulator.waitForStarted() ||
        !waitFor([&] { return QFileInfo::exists(socket); }, 10000)) {
        fail(QStringLiteral("the simulator did not start"));
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUNVIK_USB_SIMULATOR_SOCKET"), socket);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = m_folder.filePath(QString::fromLatin1(name));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(name), folder);
    }
    {
        platform::UserDefaults defaults(
            m_folder.filePath(QStringLiteral("XDG_CONFIG_HOME/org.lunvik.Lunvik.plist")));
        defaults.setBool(kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key(), true);
    }
    m_program.setProcessEnvironment(environment);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(program, {});
    if (!m_program.waitForStarted() ||
        !waitFor(
            [&] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(service); },
            30000)) {
        fail(QStringLiteral("the program did not come on the bus"));
        return;
    }
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        call(QStringLiteral("/org/lunvik/Lunvik"),
             QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
             {QStringLiteral("org.lunvik.Lunvik.Application"), QStringLiteral("documents")}),
        QDBus::Block, 60000);
    const auto paths = qdbus_cast<QList<QDBusObjectPath>>(
        qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant());
    if (paths.isEmpty()) {
        fail(QStringLiteral("the program has no document"));
        return;
    }
    m_document = paths.first().path();
}

ProgramPrinter::~ProgramPrinter() {
    for (QProcess* process : {&m_program, &m_simulator}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(30000)) {
                process->kill();
                process->waitForFinished();
            }
        }
    }
}

bool ProgramPrinter::fail(const QString& what) {
    if (m_error.isEmpty()) {
        m_error = what;
    }
    return false;
}

QString ProgramPrinter::writeFile(const QString& name, const QByteArray& bytes) const {
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
    return path;
}

bool ProgramPrinter::loadImage(const QString& path) {
    if (m_document.isEmpty()) {
        return false;
    }
    const QVariantMap argument{{QStringLiteral("in"), path}};
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        call(m_document, documentInterface, QStringLiteral("LoadImage"),
             {QVariant::fromValue(argument)}),
        QDBus::Block, 120000);
    return reply.type() == QDBusMessage::ReplyMessage ||
           fail(QStringLiteral("LoadImage: ") + reply.errorMessage());
}

double ProgramPrinter::printToLastByte() {
    if (m_document.isEmpty()) {
        return -1;
    }
    // The simulator reports each job on a line of its own once it has read
    // the job's last byte.
    m_simulator.readAll();
    const QByteArray reported = "job " + QByteArray::number(m_jobs + 1) + ':';
    QByteArray output;
    QElapsedTimer timer;
    timer.start();
    QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(
        call(m_document, documentInterface, QStringLiteral("Print"), {}), 600000);
    double lastByte = -1;
    const bool reportedInTime = waitFor(
        [&] {
            output += m_simulator.readAll();
            if (lastByte < 0 && output.contains(reported)) {
                lastByte = timer.nsecsElapsed() / 1e6;
            }
            return lastByte >= 0 && pending.isFinished();
        },
        600000);
    if (!reportedInTime || pending.isError()) {
        fail(QStringLiteral("Print: ") + pending.error().message());
        return -1;
    }
    ++m_jobs;
    return lastByte;
}

} // namespace bench
