#include "transport/dari/SerialPortDeviceCommunicator.h"
#include "transport/dari/SerialPortSpeed.h"
#include "transport/model/PipeError.h"

#include "platform/CancellationError.h"
#include "platform/Progress.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

using namespace dari;
using fennick::PipeErrorCode;
using namespace std::chrono_literals;

namespace {

// The device's end of a pseudo-terminal; the port's end is linked into a
// temporary device directory under a chosen name.
class FakePort {
public:
    FakePort() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        m_portPath = QString::fromLocal8Bit(ptsname(m_master));
    }
    ~FakePort() { closeDeviceEnd(); }

    const QString& portPath() const { return m_portPath; }

    void write(const QByteArray& bytes) {
        EXPECT_EQ(::write(m_master, bytes.constData(), size_t(bytes.size())), bytes.size());
    }

    // What the host sent, waiting up to a second for the count.
    QByteArray read(qsizetype count) {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < count && timer.elapsed() < 1000) {
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, n);
            }
        }
        return got;
    }

    // The device goes away: the port's reads and writes fail.
    void closeDeviceEnd() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    QString m_portPath;
};

class SerialPortTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    FakePort port;
    std::unique_ptr<SerialPortEnvironment::Scope> scope;

    void SetUp() override {
        SerialPortEnvironment environment;
        environment.deviceDirectory = directory.path();
        environment.silenceTenths = 2;
        environment.dropModemLines = [](int) { return true; }; // a pseudo-terminal has none
        scope = std::make_unique<SerialPortEnvironment::Scope>(environment);
    }

    void link(const QString& name, const QString& target) {
        ASSERT_TRUE(QFile::link(target, directory.filePath(name)));
    }
    void plainFile(const QString& name) {
        QFile f(directory.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    std::shared_ptr<SerialPortDeviceCommunicator::Context>
    open(qint64 baudRate = 115200, SerialPortParity parity = SerialPortParity::none) {
        return SerialPortDeviceCommunicator(QStringLiteral("ttyUSB"), baudRate, parity)
            .openContext(nullptr);
    }
};

template <typename Call> std::optional<PipeErrorCode> failure(Call call) {
    try {
        call();
    } catch (const platform::Error& e) {
        return fennick::pipeErrorCode(e);
    }
    return std::nullopt;
}

} // namespace

TEST_F(SerialPortTest, OpensTheFirstPortWhoseNameBeginsWithThePrefix) {
    plainFile("cu.Bluetooth");
    link("cu.usbserial-1410", port.portPath());
    plainFile(".cu.usbserial-hidden");
    auto context =
        SerialPortDeviceCommunicator(QStringLiteral("cu.usbserial"), 9600).openContext(nullptr);
    EXPECT_EQ(context->theOpeningPath(), directory.filePath("cu.usbserial-1410"));
    EXPECT_GE(context->theOpeningFileDescriptor(), 0);
}

TEST_F(SerialPortTest, PortsAreTakenInNameOrder) {
    FakePort second;
    link("ttyUSB1", second.portPath());
    link("ttyUSB0", port.portPath());
    plainFile("ttyACM0");
    plainFile("ttyS0");
    EXPECT_EQ(SerialPortDeviceCommunicationContextObjCImpl::portNames(directory.path()),
              (QStringList{"ttyACM0", "ttyS0", "ttyUSB0", "ttyUSB1"}));
    EXPECT_EQ(open()->theOpeningPath(), directory.filePath("ttyUSB0"));
}

TEST_F(SerialPortTest, OpeningFailures) {
    EXPECT_EQ(failure([&] { open(); }), PipeErrorCode::noDevice);

    plainFile("ttyUSB0"); // not a terminal: the line settings fail
    EXPECT_EQ(failure([&] { open(); }), PipeErrorCode::couldNotOpen);
}

TEST_F(SerialPortTest, PortIsHeldExclusively) {
    link("ttyUSB0", port.portPath());
    auto first = open();
    EXPECT_EQ(failure([&] { open(); }), PipeErrorCode::couldNotOpen);
    first.reset();
    EXPECT_NE(open(), nullptr);
}

TEST_F(SerialPortTest, DescriptorIsClosedWhenALaterStepFails) {
    link("ttyUSB0", port.portPath());
    int seen = -1;
    SerialPortEnvironment environment = SerialPortEnvironment::current();
    environment.dropModemLines = [&seen](int fd) {
        seen = fd;
        return false;
    };
    SerialPortEnvironment::Scope refusing(environment);
    EXPECT_EQ(failure([&] { open(); }), PipeErrorCode::couldNotOpen);
    ASSERT_GE(seen, 0);
    EXPECT_EQ(fcntl(seen, F_GETFD), -1);
}

TEST(SerialPortLine, Raw8BitsWithTheParityAndSilence) {
    const struct {
        SerialPortParity parity;
        bool enabled;
        bool odd;
    } rows[] = {{SerialPortParity::none, false, false},
                {SerialPortParity::odd, true, true},
                {SerialPortParity::even, true, false},
                {SerialPortParity(7), false, false}};
    for (const auto& row : rows) {
        termios t{};
        t.c_cflag = PARENB | PARODD | CSTOPB | CRTSCTS | CS5;
        t.c_lflag = ICANON | ISIG | ECHO;
        t.c_iflag = IXON | IXOFF;
        SerialPortDeviceCommunicationContextObjCImpl::makeLineSettings(t, row.parity, 30);
        EXPECT_EQ((t.c_cflag & CSIZE), tcflag_t(CS8));
        EXPECT_EQ((t.c_cflag & PARENB) != 0, row.enabled) << int(row.parity);
        EXPECT_EQ((t.c_cflag & PARODD) != 0, row.odd) << int(row.parity);
        EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), tcflag_t(0));
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD | HUPCL), tcflag_t(CLOCAL | CREAD | HUPCL));
        EXPECT_EQ(t.c_lflag & (ICANON | ISIG | ECHO), tcflag_t(0));
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(0));
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 30);
        EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    }
}

TEST_F(SerialPortTest, OpenPortBlocksAndWaitsForSilence) {
    link("ttyUSB0", port.portPath());
    auto context = open();
    termios t{};
    ASSERT_EQ(tcgetattr(context->theOpeningFileDescriptor(), &t), 0);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), tcflag_t(0));
    EXPECT_EQ(t.c_cc[VTIME], 2);
    EXPECT_EQ(fcntl(context->theOpeningFileDescriptor(), F_GETFL) & O_NONBLOCK, 0);
}

TEST_F(SerialPortTest, SpeedsOutsideTheStandardTable) {
    link("ttyUSB0", port.portPath());
    auto context = open(250000);
    EXPECT_EQ(SerialPortSpeed::current(context->theOpeningFileDescriptor()), 250000);
    context->setBaudRate(250000); // the same speed: nothing to do
    context->setBaudRate(9600);
    EXPECT_EQ(context->theBaudRate(), 9600);
    EXPECT_EQ(SerialPortSpeed::current(context->theOpeningFileDescriptor()), 9600);
    EXPECT_EQ(failure([&] { context->setBaudRate(-5); }), PipeErrorCode::couldNotReopen);
    // The refused speed is not taken for the line's: asking again fails again.
    EXPECT_EQ(context->theBaudRate(), 9600);
    EXPECT_EQ(failure([&] { context->setBaudRate(-5); }), PipeErrorCode::couldNotReopen);
    context.reset();

    EXPECT_EQ(failure([&] { open(0); }), PipeErrorCode::couldNotOpen);
}

TEST_F(SerialPortTest, SendWritesEveryByte) {
    link("ttyUSB0", port.portPath());
    auto context = open();
    QByteArray data(3000, '\0');
    for (int i = 0; i < data.size(); ++i) {
        data[i] = char(i % 256);
    }
    context->send(QByteArray());
    context->send(data);
    EXPECT_EQ(port.read(data.size()), data);
}

TEST_F(SerialPortTest, ReadsWithALength) {
    link("ttyUSB0", port.portPath());
    {
        // Nothing asked is answered at once: waiting for the silence would
        // take ten times the bound.
        SerialPortEnvironment environment = SerialPortEnvironment::current();
        environment.silenceTenths = 255;
        SerialPortEnvironment::Scope longSilence(environment);
        auto context = open();
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(context->read(0).isEmpty());
        EXPECT_LT(timer.elapsed(), 2500);
    }
    auto context = open();
    port.write("\x06"
               "ABCDEFG");
    EXPECT_EQ(context->read(1), "\x06");
    // Bytes beyond the asked length stay for the next read.
    EXPECT_EQ(context->read(7), "ABCDEFG");

    port.write("12345");
    EXPECT_EQ(failure([&] { context->read(8); }), PipeErrorCode::timeout);
    EXPECT_EQ(failure([&] { context->read(1); }), PipeErrorCode::timeout);
}

TEST_F(SerialPortTest, ReadWithoutALengthRunsUntilSilence) {
    link("ttyUSB0", port.portPath());
    auto context = open();
    port.write("abc");
    std::thread device([&] {
        std::this_thread::sleep_for(50ms); // shorter than the silence
        port.write(QByteArray(100, 'x'));
    });
    const QByteArray got = context->read(std::nullopt);
    device.join();
    EXPECT_EQ(got, "abc" + QByteArray(100, 'x'));

    EXPECT_EQ(failure([&] { context->read(std::nullopt); }), PipeErrorCode::timeout);
}

TEST_F(SerialPortTest, LostDeviceFailsTransfers) {
    link("ttyUSB0", port.portPath());
    auto context = open();
    port.closeDeviceEnd();
    // A hung-up line reads as silence.
    EXPECT_EQ(failure([&] { context->read(1); }), PipeErrorCode::timeout);
    EXPECT_EQ(failure([&] { context->send("x"); }), PipeErrorCode::couldNotSendData);
}

TEST_F(SerialPortTest, BlockedReadsAndSendsEndWhenTheProgressIsCancelled) {
    // The longest silence, ten times the bound below, so that only the
    // cancel can end the read in time.
    SerialPortEnvironment environment = SerialPortEnvironment::current();
    environment.silenceTenths = 255;
    SerialPortEnvironment::Scope longSilence(environment);
    link("ttyUSB0", port.portPath());
    auto endAfterCancel = [](auto call) {
        platform::Progress progress;
        QElapsedTimer sinceCancel;
        std::thread canceller([&] {
            std::this_thread::sleep_for(200ms);
            sinceCancel.start();
            progress.cancel();
        });
        bool cancelled = false;
        try {
            call(progress);
        } catch (const platform::Error& e) {
            cancelled = platform::CancellationError::isCancellation(e);
        }
        const qint64 elapsed = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
        canceller.join();
        EXPECT_TRUE(cancelled);
        EXPECT_GE(elapsed, 0);
        EXPECT_LT(elapsed, 2500);
    };
    auto openWith = [](platform::Progress& progress) {
        return SerialPortDeviceCommunicator(QStringLiteral("ttyUSB"), 115200)
            .openContext(&progress);
    };
    endAfterCancel([&](platform::Progress& progress) { openWith(progress)->read(8); });
    // The device stops reading: the line's buffer fills and a send waits.
    endAfterCancel([&](platform::Progress& progress) {
        openWith(progress)->send(QByteArray(1024 * 1024, '\x55'));
    });
}
