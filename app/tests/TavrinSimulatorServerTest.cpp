#include "app/simulator/TavrinSimulatorServer.h"
#include "app/simulator/TavrinJobPictureFolder.h"
#include "app/tavrin/TavrinCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using lunvik::TavrinCommand;
using lunvik::TavrinSimulatedDevice;
using lunvik::TavrinSimulatorServer;

namespace {

sockaddr_un socketAddress(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return address;
}

int connectTo(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = socketAddress(path);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, const QByteArray& bytes) {
    ASSERT_EQ(::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL), bytes.size());
}

// Reads until count bytes arrived or the peer stays quiet for a while.
QByteArray readSome(int fd, int count) {
    QByteArray out;
    char buffer[256];
    while (out.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) {
            break;
        }
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n <= 0) {
            break;
        }
        out.append(buffer, n);
    }
    return out;
}

TEST(TavrinSimulatorServer, carriesTheByteStreamBothWays) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    TavrinSimulatedDevice device;
    TavrinSimulatorServer server(device);
    std::atomic<int> finished = 0;
    server.jobFinished = [&](const lunvik::TavrinReceivedJob&, int) { ++finished; };
    ASSERT_TRUE(server.listen(path));
    server.start();

    const int fd = connectTo(path);
    ASSERT_GE(fd, 0);
    sendAll(fd, TavrinCommand::stateQuery());
    EXPECT_EQ(readSome(fd, 18).size(), 18);
    sendAll(fd, TavrinCommand::jobGeometry(8, 2) + QByteArray("\x81\x42", 2) +
                    TavrinCommand::informationQuery());
    EXPECT_EQ(readSome(fd, 36).size(), 36);
    ::close(fd);
    server.stop();
    ASSERT_EQ(device.jobs().size(), 1);
    EXPECT_EQ(device.jobs().first().columnData, QByteArray("\x81\x42", 2));
    EXPECT_EQ(finished, 1);
}

TEST(TavrinSimulatorServer, dropsTheConnectionWhenTheDeviceFails) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    TavrinSimulatedDevice::Configuration c;
    c.failAfterColumnBytes = 3;
    TavrinSimulatedDevice device(c);
    TavrinSimulatorServer server(device);
    ASSERT_TRUE(server.listen(path));
    server.start();
    const int fd = connectTo(path);
    ASSERT_GE(fd, 0);
    sendAll(fd, TavrinCommand::jobGeometry(8, 10) + QByteArray(5, '\x01'));
    // The server closes its end: the read sees the end of the stream.
    EXPECT_TRUE(readSome(fd, 1).isEmpty());
    ::close(fd);
    // A new connection is a new opening of a working device.
    const int again = connectTo(path);
    ASSERT_GE(again, 0);
    sendAll(again, TavrinCommand::stateQuery());
    EXPECT_EQ(readSome(again, 18).size(), 18);
    ::close(again);
    server.stop();
}

TEST(TavrinSimulatorServer, takesOnlyASocketNobodyServesAndRemovesOnlyItsOwn) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    TavrinSimulatedDevice device;
    QString error;
    {
        TavrinSimulatorServer first(device);
        ASSERT_TRUE(first.listen(path));
        first.start();
        // A second server refuses the path while the first serves it.
        TavrinSimulatorServer second(device);
        EXPECT_FALSE(second.listen(path, &error));
        EXPECT_EQ(error, QStringLiteral("another simulator already serves ") + path);
        first.stop();
    }
    // The first one removed its socket on the way out.
    EXPECT_FALSE(QFile::exists(path));

    // A socket left by a server that died is taken over.
    {
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = QFile::encodeName(path);
        std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
        ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(stale);
    }
    {
        auto older = std::make_unique<TavrinSimulatorServer>(device);
        ASSERT_TRUE(older->listen(path, &error)) << error.toStdString();
        // Someone replaced the file; the older server leaves the newer one be.
        ASSERT_TRUE(QFile::remove(path));
        TavrinSimulatorServer newer(device);
        ASSERT_TRUE(newer.listen(path));
        older.reset();
        EXPECT_TRUE(QFile::exists(path));
    }
    EXPECT_FALSE(QFile::exists(path));

    // Any other file of that name is neither served nor removed.
    QFile plain(path);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("keep me");
    plain.close();
    TavrinSimulatorServer server(device);
    EXPECT_FALSE(server.listen(path, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a socket")));
    EXPECT_EQ(QFileInfo(path).size(), 7);
}

TEST(TavrinSimulatorServer, forgetsWhatItReceivedWhenAskedAndKeepsCountingJobs) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    TavrinSimulatedDevice device;
    TavrinSimulatorServer server(device);
    server.setKeepsHistory(false);
    QList<int> indices;
    std::mutex indicesMutex;
    server.jobFinished = [&](const lunvik::TavrinReceivedJob&, int index) {
        std::lock_guard lock(indicesMutex);
        indices << index;
    };
    ASSERT_TRUE(server.listen(path));
    server.start();
    for (int round = 0; round < 3; ++round) {
        const int fd = connectTo(path);
        ASSERT_GE(fd, 0);
        sendAll(fd, TavrinCommand::jobGeometry(8, 2) + QByteArray("\x81\x42", 2) +
                        TavrinCommand::stateQuery());
        EXPECT_EQ(readSome(fd, 18).size(), 18);
        ::close(fd);
    }
    server.stop();
    EXPECT_EQ(indices, (QList<int>{0, 1, 2}));
    EXPECT_TRUE(device.jobs().isEmpty());
    EXPECT_TRUE(device.receivedBytes().isEmpty());
    EXPECT_TRUE(device.commands().isEmpty());
}

} // namespace

TEST(TavrinSimulatorServer, refusesAPathThatAnotherSimulatorStillServes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    TavrinSimulatedDevice device;
    TavrinSimulatorServer first(device);
    ASSERT_TRUE(first.listen(path));
    TavrinSimulatorServer second(device);
    QString error;
    EXPECT_FALSE(second.listen(path, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("another simulator already serves")));
    // The first one still answers.
    const int fd = connectTo(path);
    EXPECT_GE(fd, 0);
    ::close(fd);
}

TEST(TavrinSimulatorServer, leavesASocketFileThatANewerSimulatorMade) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    TavrinSimulatedDevice device;
    auto older = std::make_unique<TavrinSimulatorServer>(device);
    ASSERT_TRUE(older->listen(path));
    // The path is taken over by a newer simulator after the file went away.
    ASSERT_TRUE(QFile::remove(path));
    TavrinSimulatorServer newer(device);
    ASSERT_TRUE(newer.listen(path));
    older.reset();
    EXPECT_TRUE(QFileInfo::exists(path));
    const int fd = connectTo(path);
    EXPECT_GE(fd, 0);
    ::close(fd);
}

TEST(TavrinSimulatorServer, replacesAStaleSocketButNoOtherFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    TavrinSimulatedDevice device;
    {
        // A simulator that ended without removing its socket.
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = socketAddress(path);
        ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(stale);
    }
    TavrinSimulatorServer server(device);
    EXPECT_TRUE(server.listen(path));

    const QString plain = folder.filePath(QStringLiteral("notes.txt"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    TavrinSimulatorServer other(device);
    EXPECT_FALSE(other.listen(plain));
    EXPECT_EQ(QFileInfo(plain).size(), 7);
}
