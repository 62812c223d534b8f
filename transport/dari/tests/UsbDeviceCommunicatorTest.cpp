#include "transport/dari/UsbDeviceCommunicator.h"
#include "transport/model/PipeError.h"

#include "platform/usb/MemoryUsbHost.h"

#include <gtest/gtest.h>

using namespace dari;
using fennick::PipeErrorCode;
using platform::MemoryUsbDevice;
using platform::UsbDirection;
using platform::UsbResult;

namespace {

constexpr quint32 vendor = 0x2A91;
constexpr quint32 product = 0xD010;

class UsbContextTest : public ::testing::Test {
protected:
    std::shared_ptr<platform::MemoryUsbHost> host = std::make_shared<platform::MemoryUsbHost>();
    platform::UsbHost::Scope scope{host};
    std::shared_ptr<MemoryUsbDevice> device = host->addDevice(vendor, product);

    std::shared_ptr<UsbDeviceCommunicator::Context> open(bool forcesReadTimeout = false) {
        return UsbDeviceCommunicator(vendor, product, forcesReadTimeout).openContext(nullptr);
    }
};

// The error a call throws, or a failure when it does not throw one.
template <typename Call> platform::Error thrown(Call call) {
    try {
        call();
    } catch (const platform::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error thrown";
    return platform::Error(QStringLiteral("none"), -1);
}

int count(const QStringList& operations, const QString& prefix) {
    return int(std::count_if(operations.begin(), operations.end(),
                             [&](const QString& op) { return op.startsWith(prefix); }));
}

} // namespace

TEST_F(UsbContextTest, OpensThePrinterInterfaceAndClearsTheReadStall) {
    auto context = open();
    EXPECT_EQ(context->pipeRef_read(), 1);
    EXPECT_EQ(context->pipeRef_write(), 2);
    EXPECT_EQ(context->maxPacketSize_read(), 64);
    EXPECT_EQ(device->activeConfiguration(), 1);
    EXPECT_EQ(device->operations(), (QStringList{"open device", "set configuration 1",
                                                 "open interface", "clear stall 1"}));
    EXPECT_TRUE(device->isInterfaceOpen());

    context.reset(); // releasing the last holder closes the transport
    EXPECT_FALSE(device->isOpen());
    EXPECT_FALSE(device->isInterfaceOpen());
}

TEST_F(UsbContextTest, PipeDirectionsAndPacketSizes) {
    // Pipe 1 OUT: writing uses pipe 1.
    device->setPipes({{UsbDirection::out, 512, true}, {UsbDirection::in, 32, true}});
    auto context = open();
    EXPECT_EQ(context->pipeRef_write(), 1);
    EXPECT_EQ(context->pipeRef_read(), 2);
    EXPECT_EQ(context->maxPacketSize_write(), 512);
    EXPECT_EQ(context->maxPacketSize_read(), 32);
    context.reset();

    // Unreadable properties: pipe 1 is taken for writing, and both fall back to 128.
    device->setPipes({{UsbDirection::out, 512, false}, {UsbDirection::in, 32, false}});
    context = open();
    EXPECT_EQ(context->pipeRef_write(), 1);
    EXPECT_EQ(context->pipeRef_read(), 2);
    EXPECT_EQ(context->maxPacketSize_write(), 128);
    EXPECT_EQ(context->maxPacketSize_read(), 128);
    device->queueReply(QByteArray(200, 'x'));
    EXPECT_EQ(context->read(std::nullopt).size(), 200); // requests of 128 bytes
    EXPECT_EQ(device->operations().filter("read 2: ").first(), QStringLiteral("read 2: 128 bytes"));
    context.reset();

    // A descriptor giving no packet size at all: requests of nothing would
    // never end a read.
    device->setPipes({{UsbDirection::in, 0, true}, {UsbDirection::out, 0, true}});
    context = open();
    ASSERT_EQ(context->maxPacketSize_read(), 128);
    EXPECT_EQ(context->maxPacketSize_write(), 128);
    device->queueReply("abc");
    EXPECT_EQ(context->read(3), "abc");
}

TEST_F(UsbContextTest, OpeningFailures) {
    const platform::Error none =
        thrown([&] { UsbDeviceCommunicator(vendor, 0x1234).open(nullptr); });
    EXPECT_EQ(fennick::pipeErrorCode(none), PipeErrorCode::noDevice);

    auto held = open();
    const platform::Error exclusive = thrown([&] { open(); });
    EXPECT_EQ(fennick::ioReturn(exclusive), UsbResult::exclusiveAccess);
    EXPECT_EQ(exclusive.code(), qint64(std::int32_t(0xE00002C5)));
    held.reset();

    device->setHasPrinterInterface(false);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { open(); })), PipeErrorCode::couldNotOpen);
    device->setHasPrinterInterface(true);
    device->setInterfaceOpenResult(UsbResult::exclusiveAccess);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { open(); })), PipeErrorCode::couldNotOpen);
    device->setInterfaceOpenResult(UsbResult::success);
    device->setOpenResult(UsbResult::notPrivileged);
    const platform::Error refused = thrown([&] { open(); });
    EXPECT_EQ(fennick::pipeErrorCode(refused), PipeErrorCode::couldNotOpen);
    // The user learns that the device is there, and how to be let in.
    EXPECT_EQ(refused.localizedDescription(),
              QStringLiteral("The device is connected, but this user may not use it."));
    const QString howToAllow = refused.localizedRecoverySuggestion().value_or(QString());
    EXPECT_TRUE(howToAllow.contains(QStringLiteral("60-lunvik-stencil-device.rules")));
    EXPECT_FALSE(device->isOpen()); // nothing stays open after a failed opening
    device->setOpenResult(UsbResult::success);

    // A configuration that cannot be read only prints.
    device->setConfigurationDescriptorResult(UsbResult::error);
    EXPECT_NE(open(), nullptr);
}

TEST_F(UsbContextTest, SendCutsDataIntoSlices) {
    auto context = open();
    QByteArray data(5000, '\0');
    for (int i = 0; i < data.size(); ++i) {
        data[i] = char(i % 251);
    }
    context->send(data);
    const QList<QByteArray> writes = device->writes();
    ASSERT_EQ(writes.size(), 3);
    EXPECT_EQ(writes[0].size(), 2056);
    EXPECT_EQ(writes[1].size(), 2056);
    EXPECT_EQ(writes[2].size(), 888);
    EXPECT_EQ(device->written(), data);
}

TEST_F(UsbContextTest, EmptySendOnlyClearsTheReadStall) {
    auto context = open();
    const int before = int(device->operations().size());
    context->send(QByteArray());
    EXPECT_EQ(device->operations().mid(before), QStringList{"clear stall 1"});
}

TEST_F(UsbContextTest, FailedSliceStopsTheSendAndTheContextStaysUsable) {
    auto context = open();
    device->queueWriteResult(UsbResult::success); // the first slice goes through
    device->queueWriteResult(UsbResult::transactionTimeout);
    const platform::Error timeout = thrown([&] { context->send(QByteArray(5000, 'a')); });
    EXPECT_EQ(fennick::pipeErrorCode(timeout), PipeErrorCode::timeout);
    EXPECT_EQ(device->writes().size(), 1);

    device->queueWriteResult(UsbResult::pipeStalled);
    EXPECT_EQ(fennick::ioReturn(thrown([&] { context->send("x"); })), UsbResult::pipeStalled);

    context->send("ok");
    EXPECT_EQ(device->writes().last(), "ok");
}

TEST_F(UsbContextTest, ReadsWithALength) {
    auto context = open();

    EXPECT_TRUE(context->read(0).isEmpty());
    EXPECT_EQ(count(device->operations(), "read"), 0); // length 0 asks the device nothing

    device->queueReply("ab");
    device->queueReply("cdef");
    EXPECT_EQ(context->read(4), "abcd"); // stops once enough arrived; the rest is dropped

    device->queueReply("abc");
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(5); })),
              PipeErrorCode::couldNotGetEnoughData);

    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(5); })), PipeErrorCode::timeout);

    device->queueReply("\x06");
    EXPECT_EQ(context->readBytes(1), std::vector<std::uint8_t>{0x06});
}

TEST_F(UsbContextTest, ReadsWithoutALengthCollectUntilSilence) {
    auto context = open();
    device->queueReply("abc");
    device->queueReply("def");
    device->queueSilence();
    device->queueReply("later");
    EXPECT_EQ(context->read(std::nullopt), "abcdef");
    EXPECT_EQ(context->read(std::nullopt), "later");

    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(std::nullopt); })),
              PipeErrorCode::timeout);

    device->queueReply(""); // a zero-length packet, then silence
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(std::nullopt); })),
              PipeErrorCode::couldNotGetEnoughData);
}

TEST_F(UsbContextTest, ForcedReadTimeoutWaitsForSilence) {
    auto context = open(true);
    device->queueReply("0123456789");
    device->queueReply("more");
    EXPECT_EQ(context->read(2), "01");
    EXPECT_EQ(device->pendingReadEvents(), 0); // everything was read

    context->setForcesReadTimeout(false);
    device->queueReply("0123456789");
    EXPECT_EQ(context->read(2), "01");
}

TEST_F(UsbContextTest, TimeoutClearsTheReadStall) {
    auto context = open();
    const int before = int(count(device->operations(), "clear stall"));
    thrown([&] { context->read(1); });
    EXPECT_EQ(count(device->operations(), "clear stall"), before + 1);
}

TEST_F(UsbContextTest, OtherReadFailuresAreUsbErrors) {
    auto context = open();
    device->stallPipe(1);
    const platform::Error stalled = thrown([&] { context->read(1); });
    EXPECT_EQ(fennick::ioReturn(stalled), UsbResult::pipeStalled);

    // The next send clears the stall first.
    context->send("?");
    device->queueReply("!");
    EXPECT_EQ(context->read(1), "!");
}

TEST_F(UsbContextTest, NotRespondingDeviceIsOpenedAgain) {
    auto context = open();
    device->queueReadResult(UsbResult::notResponding);
    device->queueReply("ok");
    EXPECT_EQ(context->read(2), "ok");
    EXPECT_EQ(device->reEnumerationCount(), 1);
    EXPECT_TRUE(device->isInterfaceOpen());
    // The pipes of the first opening stay in force.
    EXPECT_EQ(context->pipeRef_read(), 1);
    context->send("x");
    EXPECT_EQ(device->written(), "x");
}

TEST_F(UsbContextTest, TimeoutRightAfterAReopenEndsTheReadShort) {
    auto context = open();
    device->queueReadResult(UsbResult::notResponding);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(1); })),
              PipeErrorCode::couldNotGetEnoughData);
}

TEST_F(UsbContextTest, ReopensAreCappedPerRead) {
    auto context = open();
    device->queueReadResult(UsbResult::notResponding, 3);
    device->queueReply("ok");
    EXPECT_EQ(context->read(2), "ok");
    EXPECT_EQ(device->reEnumerationCount(), 3);

    device->queueReadResult(UsbResult::notResponding, 4);
    device->queueReply("never");
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(2); })),
              PipeErrorCode::couldNotReopen);
    EXPECT_EQ(device->reEnumerationCount(), 6);
}

TEST_F(UsbContextTest, ReopensAreCappedPerStallClearing) {
    device->queueClearStallResult(UsbResult::notResponding, 100);
    auto context = open(); // the stall clearing at the end of the opening gives up
    EXPECT_EQ(device->reEnumerationCount(), 3);
    EXPECT_TRUE(device->isInterfaceOpen());
}

TEST_F(UsbContextTest, FailedReopenLeavesNoDeviceBehind) {
    auto context = open();
    device->setReappearsAfterReEnumeration(false);
    device->queueReadResult(UsbResult::notResponding);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(1); })),
              PipeErrorCode::couldNotReopen);
    EXPECT_EQ(context->interfaceInterface(), nullptr);

    // Later transfers report the lost device instead of using released interfaces.
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->send("x"); })), PipeErrorCode::noDevice);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(1); })), PipeErrorCode::noDevice);
    EXPECT_TRUE(context->read(0).isEmpty());
}

TEST_F(UsbContextTest, UnpluggedDeviceReportsNoDevice) {
    auto context = open();
    device->unplug();
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->send("x"); })), PipeErrorCode::noDevice);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(1); })), PipeErrorCode::noDevice);
}

TEST(UsbDeviceCommunicator, OpeningWithoutTheDeviceFailsWithNoDevice) {
    // The application's own backend, on a machine without the device.
    try {
        UsbDeviceCommunicator(vendor, product).open(nullptr);
        GTEST_SKIP() << "a device is attached";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.domain(), QStringLiteral("DeviceError"));
        EXPECT_EQ(e.code(), 4);
        EXPECT_EQ(e.localizedDescription(), QStringLiteral("No device is connected."));
    }
}
