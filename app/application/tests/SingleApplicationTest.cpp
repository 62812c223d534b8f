#include "app/application/Application.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/AppDelegate.h"
#include "model/pictures/OriginalImage.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/graphics/FileType.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using kestrom::ScriptingService;

namespace {

// The program itself, started as a file manager starts it, on the test's
// own session bus.
class SingleApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            << "run under a session bus of its own (tools/with-session-bus.sh)";
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        lunvik::Application::registerDevicePlugin(
            platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    }

    void TearDown() override {
        for (const auto& process : processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

    QString savedPackage(const QString& name) {
        const QString path = folder.filePath(name);
        kestrom::PrintJobDocument job;
        job.job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        kestrom::DocumentPackage::write(job.job(), path);
        return path;
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           folder.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           folder.filePath(QStringLiteral("data")));
        return environment;
    }

    QProcess* start(const QStringList& arguments, const QProcessEnvironment& environment) {
        processes.push_back(std::make_unique<QProcess>());
        QProcess* program = processes.back().get();
        program->setProcessEnvironment(environment);
        program->setWorkingDirectory(folder.path());
        program->start(QStringLiteral(LUNVIK_PROGRAM), arguments);
        EXPECT_TRUE(program->waitForStarted());
        return program;
    }
    QProcess* start(const QStringList& arguments) { return start(arguments, environment()); }

    static bool ended(QProcess* program) {
        return QTest::qWaitFor([&] { return program->state() == QProcess::NotRunning; }, 20000);
    }

    static QVariant property(const QString& path, const QString& interface, const QString& name) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            ScriptingService::serviceName, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << interface << name;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return {};
        }
        return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
    }

    // The documents of the application that answers on the bus, by name.
    static QStringList documentNames() {
        const QVariant documents =
            property(ScriptingService::applicationPath, ScriptingService::applicationInterface,
                     QStringLiteral("documents"));
        QStringList names;
        for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(documents)) {
            names << property(path.path(), ScriptingService::documentInterface,
                              QStringLiteral("name"))
                         .toString();
        }
        return names;
    }
    static bool waitForDocuments(const QStringList& names) {
        return QTest::qWaitFor([&] { return documentNames() == names; }, 20000);
    }

    QTemporaryDir folder;
    std::vector<std::unique_ptr<QProcess>> processes;
};

} // namespace

TEST_F(SingleApplicationTest, ASecondStartHandsItsFilesToTheRunningApplicationAndEnds) {
    const QString job = savedPackage(QStringLiteral("Job.lunvik"));
    savedPackage(QStringLiteral("Other.lunvik"));
    QProcess* first = start({job});
    ASSERT_TRUE(waitForDocuments({QStringLiteral("Job")}))
        << first->readAllStandardError().constData();

    // The same package again: one process, one document, one window.
    QProcess* second = start({job});
    ASSERT_TRUE(ended(second));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    QTest::qWait(300);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(documentNames(), QStringList{QStringLiteral("Job")});

    // A path relative to the second start's folder, and a start without files.
    QProcess* third = start({QStringLiteral("Other.lunvik")});
    ASSERT_TRUE(ended(third));
    EXPECT_EQ(third->exitCode(), 0);
    EXPECT_TRUE(waitForDocuments({QStringLiteral("Job"), QStringLiteral("Other")}));
    QProcess* fourth = start({});
    ASSERT_TRUE(ended(fourth));
    EXPECT_EQ(fourth->exitCode(), 0);
    QTest::qWait(300);
    EXPECT_EQ(documentNames(), (QStringList{QStringLiteral("Job"), QStringLiteral("Other")}));
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(SingleApplicationTest, WithoutASessionBusEachStartStaysOnItsOwn) {
    const QString job = savedPackage(QStringLiteral("Job.lunvik"));
    QProcess* first = start({job});
    ASSERT_TRUE(waitForDocuments({QStringLiteral("Job")}))
        << first->readAllStandardError().constData();

    QProcessEnvironment alone = environment();
    alone.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                 QStringLiteral("unix:path=") + folder.filePath(QStringLiteral("no-bus")));
    const QString shot = folder.filePath(QStringLiteral("window.png"));
    alone.insert(QStringLiteral("LUNVIK_SCREENSHOT"), shot);
    QProcess* second = start({job}, alone);
    ASSERT_TRUE(ended(second));
    EXPECT_EQ(second->exitCode(), 0);
    // It showed a window of its own.
    EXPECT_FALSE(QImage(shot).isNull()) << second->readAllStandardError().constData();
    EXPECT_EQ(documentNames(), QStringList{QStringLiteral("Job")});
}

TEST_F(SingleApplicationTest, APictureFromTheCommandLineGoesIntoAnEmptyDocumentElseANewOne) {
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    const QString picture = folder.filePath(QStringLiteral("mark.png"));
    ASSERT_TRUE(image.save(picture));
    const QString job = savedPackage(QStringLiteral("Job.lunvik"));

    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({picture});
    kestrom::DocumentController* controller = delegate.documentController();
    const auto pictureOf = [&](int index) -> ambrel::OriginalImage::Pointer {
        const auto documents = controller->documents();
        if (index >= documents.size()) {
            return nullptr;
        }
        return qobject_cast<kestrom::PrintJobDocument*>(documents[index])->job().originalImage();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return pictureOf(0) != nullptr; }, 10000));
    EXPECT_EQ(controller->documents().size(), 1);
    EXPECT_FALSE(controller->documents().first()->filePath());
    EXPECT_EQ(pictureOf(0)->data(), [&] {
        QFile file(picture);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }());

    // Handed over by another start: the open document has a picture; two
    // pictures at once go into a document each.
    delegate.openFiles({picture, job, picture});
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().size() == 4; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pictureOf(1) && pictureOf(2); }, 10000));
    EXPECT_FALSE(controller->documents().at(1)->filePath());
    EXPECT_FALSE(controller->documents().at(2)->filePath());
    EXPECT_EQ(controller->documents().at(3)->filePath(), job);
}

namespace {

// The kept versions under the data folder the program was given.
QStringList keptVersions(const QString& data) {
    QStringList found;
    QDirIterator it(data, {QStringLiteral("Kept.json")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found << QFileInfo(it.next()).absolutePath();
    }
    return found;
}

} // namespace

TEST_F(SingleApplicationTest, AVersionKeptByAProgramThatCrashedIsTakenBackByTheNextStart) {
    const QString job = savedPackage(QStringLiteral("Job.lunvik"));
    const QString data = folder.filePath(QStringLiteral("data"));
    QProcess* first = start({job});
    ASSERT_TRUE(waitForDocuments({QStringLiteral("Job")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptVersions(data).size() == 1; }, 10000));
    const QStringList kept = keptVersions(data);
    EXPECT_FALSE(kept.first().startsWith(job));
    first->kill();
    ASSERT_TRUE(ended(first));
    EXPECT_EQ(keptVersions(data), kept);

    QProcess* second = start({job});
    ASSERT_TRUE(waitForDocuments({QStringLiteral("Job")}));
    QTest::qWait(500);
    EXPECT_EQ(keptVersions(data), kept);
    second->kill();
    ASSERT_TRUE(ended(second));

    // Changed meanwhile by another program: a fresh copy, the old one stays.
    QFile extra(job + QStringLiteral("/Notes"));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.close();
    start({job});
    ASSERT_TRUE(waitForDocuments({QStringLiteral("Job")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptVersions(data).size() == 2; }, 10000));
    EXPECT_TRUE(keptVersions(data).contains(kept.first()));
}

TEST(DesktopEntryTest, TheLauncherTakesEveryPictureTypeTheApplicationLoads) {
    QFile file(QStringLiteral(LUNVIK_DESKTOP_ENTRY));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QHash<QString, QString> entry;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) {
            entry.insert(QString::fromUtf8(line.left(equals)),
                         QString::fromUtf8(line.mid(equals + 1)));
        }
    }
    const QStringList listed =
        entry.value(QStringLiteral("MimeType")).split(u';', Qt::SkipEmptyParts);
    EXPECT_TRUE(listed.contains(QStringLiteral("application/x-lunvik-document")));
    for (const QString& identifier : ambrel::OriginalImage::imageFileTypes()) {
        const auto type = platform::FileType::withIdentifier(identifier);
        ASSERT_TRUE(type);
        for (const QString& mimeType : type->mimeTypes()) {
            EXPECT_TRUE(listed.contains(mimeType)) << mimeType.toStdString();
        }
    }
    EXPECT_TRUE(entry.value(QStringLiteral("Exec")).contains(QStringLiteral("%F")));
}
