#include "transport/dari/WifiDeviceCommunicator.h"
#include "transport/dari/NetworkError.h"
#include "transport/dari/WifiDeviceCommunicationContext.h"
#include "transport/model/PipeError.h"

#include "platform/CancellationError.h"
#include "platform/Progress.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

using namespace dari;
using namespace std::chrono_literals;

namespace {

// A device on the loopback interface. Connections wait in the listen queue
// until the test accepts them, so a test needs no thread of its own.
class LoopbackDevice {
public:
    LoopbackDevice() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(m_listener, 8) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "no loopback listener";
        }
        m_port = ntohs(address.sin_port);
    }
    ~LoopbackDevice() {
        closeConnection();
        stopListening();
    }

    NetworkEndpoint endpoint() const { return {QStringLiteral("127.0.0.1"), m_port}; }

    // Takes the next connection, waiting at most two seconds.
    bool accept() {
        closeConnection();
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 2000) != 1) {
            return false;
        }
        m_connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        ++m_accepted;
        return m_connection >= 0;
    }
    int acceptedCount() const { return m_accepted; }

    void send(const QByteArray& bytes) {
        ASSERT_EQ(::send(m_connection, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL),
                  bytes.size());
    }
    QByteArray receive(qsizetype count) {
        QByteArray got;
        while (got.size() < count) {
            pollfd p{m_connection, POLLIN, 0};
            if (::poll(&p, 1, 2000) != 1) {
                break;
            }
            char buffer[4096];
            const ssize_t n = ::recv(m_connection, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            got.append(buffer, n);
        }
        return got;
    }

    // The device ends its side of the stream.
    void closeConnection() {
        if (m_connection >= 0) {
            ::close(m_connection);
            m_connection = -1;
        }
    }
    void stopListening() {
        if (m_listener >= 0) {
            ::close(m_listener);
            m_listener = -1;
        }
    }

private:
    int m_listener = -1;
    int m_connection = -1;
    quint16 m_port = 0;
    int m_accepted = 0;
};

template <typename Call> platform::Error thrown(Call call) {
    try {
        call();
    } catch (const platform::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error thrown";
    return platform::Error(QStringLiteral("none"), -1);
}

// An endpoint where nothing listens.
NetworkEndpoint closedEndpoint() {
    LoopbackDevice gone;
    return gone.endpoint();
}

} // namespace

TEST(WifiDeviceCommunicator, RefusedConnectionFailsWithItsErrorAfterOnePoll) {
    QElapsedTimer timer;
    timer.start();
    const platform::Error error =
        thrown([] { WifiDeviceCommunicator(closedEndpoint()).open(nullptr); });
    EXPECT_EQ(error.domain(), NetworkError::posixDomain);
    EXPECT_EQ(error.code(), ECONNREFUSED);
    EXPECT_FALSE(error.localizedDescription().isEmpty());
    EXPECT_FALSE(fennick::pipeErrorCode(error).has_value());
    EXPECT_FALSE(fennick::ioReturn(error).has_value());
    // One poll, not ten.
    EXPECT_GE(timer.elapsed(), 450);
    EXPECT_LT(timer.elapsed(), 10 * WifiDeviceCommunicationContext::pollInterval.count());
}

TEST(WifiDeviceCommunicator, OpensAndSaysSoInTheProgress) {
    LoopbackDevice device;
    platform::Progress progress;
    WifiDeviceCommunicator communicator(device.endpoint(), QStringLiteral("VSK-"));
    auto context = communicator.openContext(&progress);
    EXPECT_EQ(progress.localizedDescription(), QStringLiteral("Wi-Fi\u2026"));
    EXPECT_EQ(communicator.wifiHotspotSsidPrefix(), QStringLiteral("VSK-"));
    ASSERT_TRUE(device.accept());
    context->send(QByteArray("\x1B"
                             "S",
                             2));
    EXPECT_EQ(device.receive(2), QByteArray("\x1B"
                                            "S",
                                            2));
}

TEST(WifiDeviceCommunicator, CancelledProgressEndsOpeningAtOnce) {
    LoopbackDevice device;
    platform::Progress cancelledFirst;
    cancelledFirst.cancel();
    EXPECT_THROW(WifiDeviceCommunicator(device.endpoint()).open(&cancelledFirst),
                 platform::CancellationError);

    platform::Progress progress;
    std::thread user([&progress] {
        std::this_thread::sleep_for(50ms);
        progress.cancel();
    });
    // The device takes the connection: had the poll been sat out, the open
    // would have succeeded.
    EXPECT_THROW(WifiDeviceCommunicator(device.endpoint()).open(&progress),
                 platform::CancellationError);
    user.join();
}

TEST(WifiDeviceCommunicator, ReadWithALengthReturnsAllThatArrived) {
    LoopbackDevice device;
    auto context = WifiDeviceCommunicator(device.endpoint()).open(nullptr);
    ASSERT_TRUE(device.accept());
    device.send(QByteArray(20, 'a'));
    EXPECT_EQ(context->read(18), QByteArray(20, 'a'));

    device.send("abc");
    device.closeConnection();
    EXPECT_EQ(context->read(10), "abc"); // the device ended the stream early
}

TEST(WifiDeviceCommunicator, ReadWithoutALengthEndsWithTheStreamAndConnectsAnew) {
    LoopbackDevice device;
    auto context = WifiDeviceCommunicator(device.endpoint()).open(nullptr);
    ASSERT_TRUE(device.accept());
    device.send("hello");
    device.closeConnection();
    EXPECT_EQ(context->read(std::nullopt), "hello");

    ASSERT_TRUE(device.accept()); // the new connection
    EXPECT_EQ(device.acceptedCount(), 2);
    context->send("again");
    EXPECT_EQ(device.receive(5), "again");
}

TEST(WifiDeviceCommunicator, FailedReconnectKeepsTheBytesAndReportsNextTime) {
    LoopbackDevice device;
    auto context = WifiDeviceCommunicator(device.endpoint()).open(nullptr);
    ASSERT_TRUE(device.accept());
    device.send("12345");
    device.closeConnection();
    device.stopListening();

    EXPECT_EQ(context->read(std::nullopt), "12345");
    const platform::Error next = thrown([&] { context->send("x"); });
    EXPECT_EQ(next.code(), ECONNREFUSED);
    const platform::Error after = thrown([&] { context->read(1); });
    EXPECT_EQ(after.code(), ENOTCONN);
}

TEST(WifiDeviceCommunicator, EndOfStreamWithNothingReadReportsAFailedReconnect) {
    LoopbackDevice device;
    auto context = WifiDeviceCommunicator(device.endpoint()).open(nullptr);
    ASSERT_TRUE(device.accept());
    device.closeConnection();
    device.stopListening();
    EXPECT_EQ(thrown([&] { context->read(std::nullopt); }).code(), ECONNREFUSED);
}

namespace {

// How long a blocked call took to end after the progress was cancelled a
// little after it started; the call must end with the cancellation error.
// Uncancelled, the calls below never end; cancelled, they end within a wait
// step (a tenth of a second), fifty times less than the bound.
template <typename Call>
qint64 millisecondsToEndAfterCancel(platform::Progress& progress, Call call) {
    QElapsedTimer sinceCancel;
    std::thread canceller([&] {
        std::this_thread::sleep_for(200ms);
        sinceCancel.start();
        progress.cancel();
    });
    bool cancelled = false;
    try {
        call();
    } catch (const platform::Error& e) {
        cancelled = platform::CancellationError::isCancellation(e);
    }
    const qint64 elapsed = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
    canceller.join();
    EXPECT_TRUE(cancelled);
    return elapsed;
}

} // namespace

TEST(WifiDeviceCommunicator, BlockedReadsAndSendsEndWhenTheProgressIsCancelled) {
    LoopbackDevice device;
    {
        // The device takes the connection, then never answers.
        platform::Progress progress;
        auto context = WifiDeviceCommunicator(device.endpoint()).openContext(&progress);
        ASSERT_TRUE(device.accept());
        const qint64 elapsed = millisecondsToEndAfterCancel(progress, [&] { context->read(4); });
        EXPECT_GE(elapsed, 0);
        EXPECT_LT(elapsed, 5000);
    }
    {
        platform::Progress progress;
        auto context = WifiDeviceCommunicator(device.endpoint()).openContext(&progress);
        ASSERT_TRUE(device.accept());
        const qint64 elapsed =
            millisecondsToEndAfterCancel(progress, [&] { context->read(std::nullopt); });
        EXPECT_GE(elapsed, 0);
        EXPECT_LT(elapsed, 5000);
    }
    {
        // The device stops reading: the socket's buffers fill and a send waits.
        platform::Progress progress;
        auto context = WifiDeviceCommunicator(device.endpoint()).openContext(&progress);
        ASSERT_TRUE(device.accept());
        const QByteArray job(32 * 1024 * 1024, '\x55');
        const qint64 elapsed = millisecondsToEndAfterCancel(progress, [&] { context->send(job); });
        EXPECT_GE(elapsed, 0);
        EXPECT_LT(elapsed, 5000);
    }
}
