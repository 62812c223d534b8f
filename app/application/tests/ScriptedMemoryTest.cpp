// The program itself, driven by scripts over the test's own session bus, as
// another program would drive it; its memory is read from /proc.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString service = QStringLiteral("org.lunvik.Lunvik");
const QString application = QStringLiteral("/org/lunvik/Lunvik");

// A 6000 x 4000 picture (24 MB of gray pixels) whose PNG is small; the shade
// tells the two apart.
QString largePicture(const QTemporaryDir& folder, int shade) {
    QImage image(6000, 4000, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    for (int y = 0; y < image.height(); y += 200) {
        painter.fillRect(0, y, image.width(), 100, QColor(shade, shade, shade));
    }
    painter.end();
    const QString path = folder.filePath(QStringLiteral("large-%1.png").arg(shade));
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

// Kilobytes of a /proc/<pid>/status line such as "VmHWM".
qint64 statusValue(qint64 pid, const char* key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
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

QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 120000);
}

class ScriptedMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
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
        m_program.start(QStringLiteral(LUNVIK_PROGRAM), {});
        ASSERT_TRUE(m_program.waitForStarted());
        QDeadlineTimer deadline(30000);
        while (!QDBusConnection::sessionBus().interface()->isServiceRegistered(service) &&
               !deadline.hasExpired()) {
            QThread::msleep(50);
        }
        ASSERT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(service));
    }

    void TearDown() override {
        m_program.terminate();
        if (!m_program.waitForFinished(10000)) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }

    QStringList documents() const {
        const QDBusMessage reply = call(
            application, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
            {QStringLiteral("org.lunvik.Lunvik.Application"), QStringLiteral("documents")});
        QStringList paths;
        const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant();
        for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(value)) {
            paths << path.path();
        }
        return paths;
    }

    qint64 pid() const { return m_program.processId(); }

    QTemporaryDir m_folder;
    QProcess m_program;
};

// Each load replaces a 24-MB picture. Kept whole for undo, 50 of them took
// over a gigabyte; kept as their file bytes, the undo steps cost kilobytes.
TEST_F(ScriptedMemoryTest, FiftyScriptedLoadsOfALargePictureStayWithinABound) {
#ifdef LUNVIK_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers' own memory would decide";
#endif
    const QStringList pictures{largePicture(m_folder, 0), largePicture(m_folder, 120)};
    const QStringList open = documents();
    ASSERT_EQ(open.size(), 1);
    const QString document = open.first();

    const auto load = [&](int i) {
        const QDBusMessage reply = call(document, QStringLiteral("org.lunvik.Lunvik.Document"),
                                        QStringLiteral("LoadImage"),
                                        {QVariantMap{{QStringLiteral("in"), pictures[i % 2]}}});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    };
    for (int i = 0; i < 50; ++i) {
        load(i);
    }
    const qint64 rss = statusValue(pid(), "VmRSS");
    const qint64 peak = statusValue(pid(), "VmHWM");
    std::printf("after 50 loads: %lld kB, peak %lld kB\n", static_cast<long long>(rss),
                static_cast<long long>(peak));
    ASSERT_GT(peak, 0);
    // The program with one picture and its preview takes about 170 MB; every
    // decoded picture kept for undo would add 24 MB.
    EXPECT_LT(peak, 300 * 1024);
    EXPECT_EQ(documents().size(), 1);
}

} // namespace
