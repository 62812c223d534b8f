#include "app/simulator/TavrinJobPictureFolder.h"
#include "app/tavrin/TavrinCommand.h"
#include "app/tavrin/TavrinDeviceInformation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

using lunvik::TavrinCommand;
using lunvik::TavrinJobPictureFolder;
using namespace std::chrono_literals;

namespace {

int connectTo(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One exchange on a fresh connection: the bytes sent, then up to count
// bytes of answer.
QByteArray exchange(const QString& socket, const QByteArray& bytes, int count) {
    const int fd = connectTo(socket);
    if (fd < 0) {
        return {};
    }
    QByteArray answer;
    if (::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size()) {
        char buffer[256];
        while (answer.size() < count) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 3000) <= 0) {
                break;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            answer.append(buffer, n);
        }
    }
    ::close(fd);
    return answer;
}

// The simulator program, serving once its socket appears.
class Simulator {
public:
    explicit Simulator(const QStringList& arguments) {
        m_process.setProgram(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/lunvik-tavrin-simulator"));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
    }
    ~Simulator() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool waitForSocket(const QString& path) {
        for (int i = 0; i < 100 && m_process.state() != QProcess::NotRunning; ++i) {
            m_process.waitForReadyRead(50);
            if (m_output += m_process.readAll(); m_output.contains("serving")) {
                return QFile::exists(path);
            }
        }
        return false;
    }
    // Stops it as Ctrl-C does; its exit status.
    int stop() {
        m_process.terminate();
        m_process.waitForFinished(60000);
        return m_process.exitCode();
    }
    QProcess& process() { return m_process; }
    QByteArray output() { return m_output += m_process.readAll(); }

private:
    QProcess m_process;
    QByteArray m_output;
};

TEST(TavrinSimulatorProgram, servesOneSocketAtATimeAndNeverOverwritesJobPictures) {
    QTemporaryDir folder;
    const QString socket = folder.filePath(QStringLiteral("device.sock"));
    const QString pictures = folder.filePath(QStringLiteral("jobs"));
    ASSERT_TRUE(QDir().mkpath(pictures));
    QFile earlier(QDir(pictures).filePath(QStringLiteral("job-1.png")));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier run's picture");
    earlier.close();
    const QByteArray job = TavrinCommand::jobGeometry(8, 2) + QByteArray("\x81\x42", 2);
    const QStringList arguments{QStringLiteral("--socket"),  socket,
                                QStringLiteral("--png-dir"), pictures,
                                QStringLiteral("--model"),   QStringLiteral("Gest 300")};
    {
        Simulator first(arguments);
        ASSERT_TRUE(first.waitForSocket(socket)) << first.output().toStdString();

        // The layout follows the model asked for.
        const auto information = lunvik::TavrinDeviceInformation::decode(
            exchange(socket, TavrinCommand::informationQuery(), 36), QStringLiteral("Gest 300"));
        EXPECT_EQ(information.firmware, QStringLiteral("1.02"));
        EXPECT_EQ(information.serial, QStringLiteral("SIM00001"));

        exchange(socket, job + TavrinCommand::stateQuery(), 18);

        // A second simulator on the same socket refuses and leaves it alone.
        Simulator second(arguments);
        ASSERT_TRUE(second.process().waitForFinished(60000));
        EXPECT_NE(second.process().exitCode(), 0);
        EXPECT_TRUE(second.output().contains("another simulator already serves"));
        EXPECT_EQ(exchange(socket, TavrinCommand::stateQuery(), 18).size(), 18);
        EXPECT_EQ(first.stop(), 0);
    }
    EXPECT_FALSE(QFile::exists(socket));
    {
        // A restart goes on after the pictures already there.
        Simulator again(arguments);
        ASSERT_TRUE(again.waitForSocket(socket)) << again.output().toStdString();
        exchange(socket, job + TavrinCommand::stateQuery(), 18);
        EXPECT_EQ(again.stop(), 0);
    }
    const QDir folderOfPictures(pictures);
    EXPECT_EQ(folderOfPictures.entryList(QDir::Files, QDir::Name),
              (QStringList{"job-1.png", "job-2.png", "job-3.png"}));
    QFile kept(folderOfPictures.filePath(QStringLiteral("job-1.png")));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("an earlier run's picture"));
}

TEST(TavrinJobPictureFolder, skipsNumbersTakenBeforeOrMeanwhile) {
    QTemporaryDir folder;
    const QDir dir(folder.path());
    auto touch = [&](const QString& name) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly);
    };
    ASSERT_TRUE(touch(QStringLiteral("job-7.png")));
    ASSERT_TRUE(touch(QStringLiteral("job-x.png")));
    ASSERT_TRUE(touch(QStringLiteral("job-99999999999.png"))); // no number it uses
    TavrinJobPictureFolder pictures(folder.path());
    EXPECT_EQ(pictures.nextNumber(), 8);
    QImage picture(4, 4, QImage::Format_Grayscale8);
    picture.fill(0);
    EXPECT_EQ(pictures.save(picture), dir.filePath(QStringLiteral("job-8.png")));
    ASSERT_TRUE(touch(QStringLiteral("job-9.png")));
    EXPECT_EQ(pictures.save(picture), dir.filePath(QStringLiteral("job-10.png")));
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("job-9.png"))).size(), 0);
}

} // namespace
