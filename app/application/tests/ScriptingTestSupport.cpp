#include "ScriptingTestSupport.h"

#include "app/application/Application.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/scripting/ScriptingService.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

using kestrom::ScriptingService;

PropertyChangeRecorder::PropertyChangeRecorder(const QString& path)
    : m_connection(
          QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener"))) {
    m_connection.connect(ScriptingService::serviceName, path,
                         QStringLiteral("org.freedesktop.DBus.Properties"),
                         QStringLiteral("PropertiesChanged"), this,
                         SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
}

void PropertyChangeRecorder::propertiesChanged(const QString&, const QVariantMap& changed,
                                               const QStringList&) {
    changes << changed;
}

void ScriptingTest::SetUp() {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        << "run under a session bus of its own (tools/with-session-bus.sh)";
    platform::UserDefaults::setStandardFilePath(
        m_folder.filePath(QStringLiteral("defaults.plist")));
    lunvik::Application::registerDevicePlugin(
        platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    m_delegate = std::make_unique<kestrom::AppDelegate>();
    m_delegate->applicationWillFinishLaunching();
    ASSERT_TRUE(m_delegate->scriptingService());
    m_delegate->newDocument();
    ASSERT_EQ(documentCount(), 1);
}

void ScriptingTest::TearDown() {
    m_delegate.reset();
}

bool ScriptingTest::waitUntil(const std::function<bool()>& condition, int milliseconds) {
    return QTest::qWaitFor(condition, milliseconds);
}

GdbusResult ScriptingTest::gdbus(const QStringList& arguments, int timeoutSeconds) {
    QProcess program;
    program.start(QStringLiteral("gdbus"), arguments);
    GdbusResult result;
    if (!program.waitForStarted()) {
        result.error = QStringLiteral("gdbus did not start (package libglib2.0-bin)");
        return result;
    }
    waitUntil([&] { return program.state() == QProcess::NotRunning; }, (timeoutSeconds + 5) * 1000);
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
    result.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    result.output = QString::fromUtf8(program.readAllStandardOutput()).trimmed();
    result.error = QString::fromUtf8(program.readAllStandardError()).trimmed();
    return result;
}

GdbusResult ScriptingTest::call(const QString& path, const QString& method,
                                const QStringList& arguments, int timeoutSeconds) {
    return gdbus(QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                             QStringLiteral("--timeout"), QString::number(timeoutSeconds),
                             QStringLiteral("--dest"), ScriptingService::serviceName,
                             QStringLiteral("--object-path"), path, QStringLiteral("--method"),
                             method} +
                     arguments,
                 timeoutSeconds);
}

GdbusResult ScriptingTest::getProperty(const QString& path, const QString& interface,
                                       const QString& name) {
    return call(path, QStringLiteral("org.freedesktop.DBus.Properties.Get"), {interface, name});
}

GdbusResult ScriptingTest::setProperty(const QString& path, const QString& interface,
                                       const QString& name, const QString& value) {
    return call(path, QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                {interface, name, value});
}

kestrom::PrintJobDocument* ScriptingTest::document(int index) const {
    const auto documents = m_delegate->documentController()->documents();
    return index < documents.size() ? qobject_cast<kestrom::PrintJobDocument*>(documents[index])
                                    : nullptr;
}

QString ScriptingTest::pathOf(int index) const {
    return m_delegate->scriptingService()->pathOf(document(index));
}

int ScriptingTest::documentCount() const {
    return int(m_delegate->documentController()->documents().size());
}

QByteArray ScriptingTest::defaultsFile() const {
    QFile file(platform::UserDefaults::standard().filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
