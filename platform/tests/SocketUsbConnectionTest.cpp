#include "platform/usb/SocketUsbConnection.h"

#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace platform;
using namespace std::chrono_literals;

namespace {

// A simulator's listening socket in a temporary folder, and its end of the
// one connection made to it.
class FakeSimulator {
public:
    FakeSimulator() : m_path(m_folder.filePath(QStringLiteral("device.sock"))) {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = m_path.toLocal8Bit();
        std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 1) != 0) {
            ADD_FAILURE() << "no listening socket";
        }
    }
    ~FakeSimulator() {
        hangUp();
        ::close(m_listener);
    }

    const QString& path() const { return m_path; }
    void accept() { m_peer = ::accept(m_listener, nullptr, nullptr); }
    void send(const QByteArray& bytes) {
        EXPECT_EQ(::send(m_peer, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL),
                  bytes.size());
    }
    // What has arrived so far, without waiting.
    QByteArray received() {
        QByteArray bytes(256, '\0');
        const ssize_t count = ::recv(m_peer, bytes.data(), size_t(bytes.size()), MSG_DONTWAIT);
        return bytes.left(count > 0 ? count : 0);
    }
    void hangUp() {
        if (m_peer >= 0) {
            ::close(m_peer);
            m_peer = -1;
        }
    }

private:
    QTemporaryDir m_folder;
    QString m_path;
    int m_listener = -1;
    int m_peer = -1;
};

// Holds the open-file limit at zero while it lives. The kernel then refuses
// to wait on any descriptor, while the descriptors already open still carry
// bytes: a failed wait with a working socket behind it.
class FailingWaits {
public:
    FailingWaits() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit none = m_saved;
        none.rlim_cur = 0;
        EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    }
    ~FailingWaits() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

TEST(SocketUsbConnection, AFailedWaitNeitherSendsNorTakes) {
    FakeSimulator simulator;
    auto connection = SocketUsbConnection::connect(simulator.path());
    ASSERT_TRUE(connection);
    simulator.accept();
    simulator.send("abc");
    // A write waits only when the socket is full: fill it.
    const QByteArray filler(64 * 1024, 'f');
    int pieces = 0;
    while (connection->write(filler, 0ms) == UsbResult::success) {
        ASSERT_LT(++pieces, 1000) << "the socket never filled";
    }

    QByteArray data("stale");
    {
        const FailingWaits failing;
        EXPECT_EQ(connection->write("ping", 100ms), UsbResult::ioError);
        EXPECT_EQ(connection->read(16, data, 100ms), UsbResult::ioError);
    }
    EXPECT_TRUE(data.isEmpty());
    QByteArray arrived;
    for (QByteArray piece = simulator.received(); !piece.isEmpty(); piece = simulator.received()) {
        arrived += piece;
    }
    EXPECT_FALSE(arrived.contains('p'));
    // The connection stays usable once waiting works again.
    EXPECT_FALSE(connection->isClosed());
    EXPECT_EQ(connection->read(16, data, 100ms), UsbResult::success);
    EXPECT_EQ(data, "abc");
    EXPECT_EQ(connection->write("ping", 100ms), UsbResult::success);
    EXPECT_EQ(simulator.received(), "ping");
}

// A job's columns go out piece after piece without a wait while the socket
// has room; a full socket is waited on until the simulator takes its bytes.
TEST(SocketUsbConnection, AFullSocketIsWaitedOnUntilTheSimulatorReads) {
    FakeSimulator simulator;
    auto connection = SocketUsbConnection::connect(simulator.path());
    ASSERT_TRUE(connection);
    simulator.accept();
    QByteArray job(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < job.size(); ++i) {
        job[i] = char(i * 7 % 251);
    }
    QByteArray arrived;
    std::thread reader([&] {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (arrived.size() < job.size() && std::chrono::steady_clock::now() < deadline) {
            const QByteArray piece = simulator.received();
            arrived += piece;
            if (piece.isEmpty()) {
                std::this_thread::sleep_for(1ms);
            }
        }
    });
    const auto joined = qScopeGuard([&] {
        if (reader.joinable()) {
            reader.join();
        }
    });
    for (qsizetype at = 0; at < job.size(); at += 3200) {
        ASSERT_EQ(connection->write(job.mid(at, 3200), 2000ms), UsbResult::success) << at;
    }
    reader.join();
    EXPECT_EQ(arrived, job);

    // Nobody reads: a full socket times out.
    UsbResult::Code result = UsbResult::success;
    for (int i = 0; i < 1000 && result == UsbResult::success; ++i) {
        result = connection->write(QByteArray(64 * 1024, 'x'), 20ms);
    }
    EXPECT_EQ(result, UsbResult::timeout);
    EXPECT_FALSE(connection->isClosed());
}

TEST(SocketUsbConnection, ReadRequestsWithoutRoomLeaveTheConnectionAndItsBytes) {
    FakeSimulator simulator;
    auto connection = SocketUsbConnection::connect(simulator.path());
    ASSERT_TRUE(connection);
    simulator.accept();
    simulator.send("abc");

    QByteArray data("stale");
    EXPECT_EQ(connection->read(-1, data, 100ms), UsbResult::badArgument);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_EQ(connection->read(0, data, 100ms), UsbResult::success);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_FALSE(connection->isClosed());

    EXPECT_EQ(connection->read(2, data, 100ms), UsbResult::success);
    EXPECT_EQ(data, "ab");
    EXPECT_EQ(connection->read(16, data, 100ms), UsbResult::success);
    EXPECT_EQ(data, "c");
}

TEST(SocketUsbConnection, SilenceTimesOutAndAHangUpIsALostDevice) {
    FakeSimulator simulator;
    auto connection = SocketUsbConnection::connect(simulator.path());
    ASSERT_TRUE(connection);
    simulator.accept();

    QByteArray data;
    EXPECT_EQ(connection->read(16, data, 20ms), UsbResult::transactionTimeout);
    EXPECT_FALSE(connection->isClosed());

    simulator.hangUp();
    EXPECT_EQ(connection->read(16, data, 100ms), UsbResult::noDevice);
    EXPECT_TRUE(connection->isClosed());
    EXPECT_EQ(connection->write("x", 100ms), UsbResult::noDevice);
}

TEST(SocketUsbConnection, NoSimulatorNoConnection) {
    QTemporaryDir folder;
    EXPECT_FALSE(SocketUsbConnection::connect(folder.filePath(QStringLiteral("absent.sock"))));
    EXPECT_FALSE(SocketUsbConnection::connect(QString()));
    EXPECT_FALSE(SocketUsbConnection::connect(QString(200, QLatin1Char('x'))));
}
