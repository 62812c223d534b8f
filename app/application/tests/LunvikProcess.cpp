#include "LunvikProcess.h"

#include "core/document/job/UserDefaultsKeys.h"
#include "platform/UserDefaults.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

const QString LunvikProcess::service = QStringLiteral("org.lunvik.Lunvik");
const QString LunvikProcess::application = QStringLiteral("/org/lunvik/Lunvik");

LunvikProcess::LunvikProcess() = default;

LunvikProcess::~LunvikProcess() {
    stop();
}

void LunvikProcess::capAddressSpace(rlim_t bytes) {
    m_addressSpace = bytes;
}

void LunvikProcess::allowScriptedPrints() {
    const QString config = m_folder.filePath(QStringLiteral("XDG_CONFIG_HOME"));
    QDir().mkpath(config);
    platform::UserDefaults(config + QStringLiteral("/org.lunvik.Lunvik.plist"))
        .setBool(kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key(), true);
}

void LunvikProcess::start() {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        << "run under a session bus of its own (tools/with-session-bus.sh)";
    ASSERT_TRUE(m_folder.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = m_folder.filePath(QString::fromLatin1(name));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(name), folder);
    }
    m_program.setProcessEnvironment(environment);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (m_addressSpace != 0) {
        const rlim_t cap = m_addressSpace;
        m_program.setChildProcessModifier([cap] {
            const rlimit limit{cap, cap};
            setrlimit(RLIMIT_AS, &limit);
        });
    }
    m_program.start(m_path, {});
    ASSERT_TRUE(m_program.waitForStarted());
    QDeadlineTimer deadline(30000);
    while (!QDBusConnection::sessionBus().interface()->isServiceRegistered(service) &&
           !deadline.hasExpired()) {
        QThread::msleep(50);
    }
    ASSERT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(service));
}

void LunvikProcess::stop() {
    if (m_program.state() == QProcess::NotRunning) {
        return;
    }
    m_program.terminate();
    if (!m_program.waitForFinished(60000)) {
        m_program.kill();
        m_program.waitForFinished();
    }
}

QDBusMessage LunvikProcess::documentsReply(int timeout) const {
    return QDBusConnection::sessionBus().call(documentsCall(), QDBus::Block, timeout);
}

namespace {

std::optional<QList<QDBusObjectPath>> documentPaths(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant();
    return qdbus_cast<QList<QDBusObjectPath>>(value);
}

} // namespace

QStringList LunvikProcess::documents(int timeout) const {
    QStringList paths;
    for (const QDBusObjectPath& path :
         documentPaths(documentsReply(timeout)).value_or(QList<QDBusObjectPath>())) {
        paths << path.path();
    }
    return paths;
}

int LunvikProcess::documentCount(int timeout) const {
    const auto paths = documentPaths(documentsReply(timeout));
    return paths ? int(paths->size()) : -1;
}

qint64 LunvikProcess::statusValue(const char* key) const {
    QFile status(QStringLiteral("/proc/%1/status").arg(m_program.processId()));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key) && line.indexOf(':') == qsizetype(qstrlen(key))) {
            return line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

QString LunvikProcess::write(const QString& name, const QByteArray& bytes) const {
    const QString path = m_folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QString LunvikProcess::filePath(const QString& name) const {
    return m_folder.filePath(name);
}

QDBusMessage LunvikProcess::methodCall(const QString& path, const QString& interface,
                                       const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return message;
}

QDBusMessage LunvikProcess::documentsCall() {
    return methodCall(
        application, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QStringLiteral("org.lunvik.Lunvik.Application"), QStringLiteral("documents")});
}
