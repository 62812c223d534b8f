#include "KernelUsbTestSupport.h"

#include "app/tavrin/TavrinCommand.h"
#include "platform/usb/LibusbHost.h"
#include "transport/model/PipeError.h"

#include <gtest/gtest.h>

#include <iostream>
#include <thread>

using fennick::PipeErrorCode;
using platform::UsbResult;
using namespace kernel_usb_test;

namespace {

const QByteArray stateQuery = lunvik::TavrinCommand::stateQuery();

// The state reply, 18 bytes ending in ETX.
void expectStateReply(dari::UsbDeviceCommunicator::Context& context) {
    const QByteArray reply = context.read(18);
    ASSERT_EQ(reply.size(), 18);
    EXPECT_EQ(reply.back(), '\x03');
}

} // namespace

// libusb finds the device by its identifiers, claims the printer interface,
// cuts a send into slices, reads the answer, and lets the device file go
// when the context goes.
TEST(KernelUsbTransport, OpensStreamsAndLetsTheDeviceGo) {
    Device usb;
    auto context = open();
    EXPECT_EQ(context->pipeRef_read(), 1);
    EXPECT_EQ(context->pipeRef_write(), 2);
    EXPECT_EQ(context->maxPacketSize_read(), 512);
    EXPECT_EQ(usb.openFileCount(), 1);

    context->send(stateQuery);
    expectStateReply(*context);
    // A long send goes out in slices of 2056 bytes, byte for byte.
    const int before = usb.bulkTransferCount();
    context->send(lunvik::TavrinCommand::density(3) + QByteArray(4200, '\0'));
    EXPECT_EQ(usb.bulkTransferCount() - before, 3);
    EXPECT_EQ(usb.device().receivedBytes().size(), stateQuery.size() + 4 + 4200);
    EXPECT_EQ(usb.device().commands(), (QStringList{"S", "D"}));

    context.reset();
    EXPECT_TRUE(eventually([&] { return usb.openFileCount() == 0; }));
}

// Closing a device closes its file, even while an interface found on it is
// still held; the interface then reports that nothing is open.
TEST(KernelUsbTransport, AClosedDeviceKeepsNoFileOpenForItsInterface) {
    Device usb;
    platform::LibusbHost host;
    auto device = host.findDevice(Device::vendorIdentifier, Device::productIdentifier);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->open(), UsbResult::success);
    auto interface = device->findInterface(platform::UsbDevice::printerClass);
    ASSERT_TRUE(interface);
    ASSERT_EQ(interface->open(), UsbResult::success);
    ASSERT_EQ(usb.openFileCount(), 1);

    device->close();
    EXPECT_TRUE(eventually([&] { return usb.openFileCount() == 0; }));
    EXPECT_EQ(interface->writePipe(2, stateQuery, std::chrono::milliseconds(100),
                                   std::chrono::milliseconds(100)),
              UsbResult::notOpen);
    interface.reset();
    device.reset();
}

// The kernel's printer driver lets go of the interface for the print and
// gets it back afterwards.
TEST(KernelUsbTransport, AKernelPrinterDriverIsDetachedAndBoundAgain) {
    Device usb;
    usb.setKernelDriverBound(true);
    auto context = open();
    EXPECT_FALSE(usb.isKernelDriverBound());
    context->send(stateQuery);
    expectStateReply(*context);
    context.reset();
    EXPECT_TRUE(usb.isKernelDriverBound());
}

TEST(KernelUsbTransport, AnInterfaceHeldByAnotherProgramIsExclusiveAccess) {
    Device usb;
    usb.setInterfaceHeldElsewhere(true);
    const platform::Error error = thrown([] { open(); });
    EXPECT_EQ(fennick::ioReturn(error), UsbResult::exclusiveAccess);
    EXPECT_TRUE(eventually([&] { return usb.openFileCount() == 0; }));
    // Once the other program lets go, the device is ours.
    usb.setInterfaceHeldElsewhere(false);
    auto context = open();
    context->send(stateQuery);
    expectStateReply(*context);
}

// A device whose node this user may not open is there: the error says so
// and tells how to let desktop users in.
TEST(KernelUsbTransport, ANodeThisUserMayNotOpenSaysTheDeviceIsThereAndNamesTheRule) {
    Device usb;
    usb.setNodeAccessible(false);
    const platform::Error error = thrown([] { open(); });
    EXPECT_EQ(fennick::pipeErrorCode(error), PipeErrorCode::couldNotOpen);
    EXPECT_EQ(error.localizedDescription(),
              QStringLiteral("The device is connected, but this user may not use it."));
    const QString howToAllow = error.localizedRecoverySuggestion().value_or(QString());
    EXPECT_TRUE(howToAllow.contains(QStringLiteral("60-lunvik-stencil-device.rules")))
        << howToAllow.toStdString();
    std::cout << "message: " << error.localizedDescription().toStdString() << "\n"
              << howToAllow.toStdString() << std::endl;

    usb.setNodeAccessible(true);
    EXPECT_NE(open(), nullptr);
}

// A stalled write pipe fails the send; a stall of the read pipe fails the
// read and is cleared before the next send, as every send clears it.
TEST(KernelUsbTransport, StalledPipes) {
    Device usb;
    auto context = open();
    usb.setEndpointStalled(Device::outEndpoint, true);
    const platform::Error stalled = thrown([&] { context->send(stateQuery); });
    EXPECT_EQ(fennick::ioReturn(stalled), UsbResult::pipeStalled);
    usb.setEndpointStalled(Device::outEndpoint, false);

    context->send(stateQuery);
    usb.setEndpointStalled(Device::inEndpoint, true);
    EXPECT_EQ(fennick::ioReturn(thrown([&] { context->read(18); })), UsbResult::pipeStalled);
    context->send(stateQuery);
    EXPECT_FALSE(usb.isEndpointStalled(Device::inEndpoint));
    // Both answers are there now.
    EXPECT_EQ(context->read(36).size(), 36);
}

// A device that takes nothing: the send times out after its 2 s, and the
// process waits without spinning.
TEST(KernelUsbTransport, TransfersThatNeverCompleteTimeOutWithoutSpinning) {
    Device usb;
    auto context = open();
    usb.setTransfersComplete(false);
    const auto wallStart = std::chrono::steady_clock::now();
    const auto processorStart = processorTime();
    const auto emulationStart = usb.emulationProcessorTime();
    const platform::Error error = thrown([&] { context->send(stateQuery); });
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - wallStart);
    const auto processor = processorTime() - processorStart;
    const auto emulation = usb.emulationProcessorTime() - emulationStart;
    EXPECT_EQ(fennick::pipeErrorCode(error), PipeErrorCode::timeout);
    std::cout << "send time-out: " << wall.count() / 1000 << " ms wall, "
              << processor.count() / 1000 << " ms processor, of which the emulation's "
              << emulation.count() / 1000 << " ms" << std::endl;
    // Spinning would use about a core for the whole wait.
    EXPECT_LT(processor * 3, wall);

    // A read of a device that sends nothing times out too.
    usb.setTransfersComplete(true);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(18); })), PipeErrorCode::timeout);
}

// A device that stops responding in the middle of a read is re-opened, and
// the read goes on; one that fails again after three re-opens is lost.
TEST(KernelUsbTransport, ADeviceNotRespondingIsReopenedAtMostThreeTimes) {
    Device usb;
    auto context = open();
    context->send(stateQuery);
    usb.failNextTransfers(1, -EPROTO);
    expectStateReply(*context);

    context->send(stateQuery);
    usb.failNextTransfers(4, -EPROTO);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(18); })),
              PipeErrorCode::couldNotReopen);
    // A send that fails so reports the device as not responding.
    context.reset();
    context = open();
    usb.failNextTransfers(1, -EPROTO);
    EXPECT_EQ(fennick::ioReturn(thrown([&] { context->send(stateQuery); })),
              UsbResult::notResponding);
    context.reset();
    EXPECT_TRUE(eventually([&] { return usb.openFileCount() == 0; }));
}

// The cable pulled while a send waits: the send ends with no device, as do
// later transfers; the device plugged in again works with a new context,
// and no file of the old device stays open.
TEST(KernelUsbTransport, UnplugInTheMiddleOfATransferAndPlugInAgain) {
    Device usb;
    auto context = open();
    usb.setTransfersComplete(false);
    std::optional<platform::Error> sent;
    std::thread sender([&] { sent = thrown([&] { context->send(stateQuery); }); });
    ASSERT_TRUE(eventually([&] { return usb.bulkTransferCount() == 1; }));
    usb.unplug();
    sender.join();
    ASSERT_TRUE(sent);
    EXPECT_EQ(fennick::pipeErrorCode(*sent), PipeErrorCode::noDevice);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(18); })), PipeErrorCode::noDevice);
    context.reset();
    EXPECT_TRUE(eventually([&] { return usb.openFileCount() == 0; }));
    EXPECT_EQ(fennick::pipeErrorCode(thrown([] { open(); })), PipeErrorCode::noDevice);

    usb.setTransfersComplete(true);
    usb.plugIn();
    ASSERT_TRUE(eventually([&] {
        try {
            context = open();
        } catch (const platform::Error&) {
        }
        return context != nullptr;
    }));
    context->send(stateQuery);
    expectStateReply(*context);
    EXPECT_EQ(usb.openFileCount(), 1);
}

// A device that dies in the middle of a packet: the send says the device is
// not responding, the next read that no device is connected.
TEST(KernelUsbTransport, ADeviceDyingInTheMiddleOfAPacket) {
    Device usb;
    auto context = open();
    usb.setTransfersComplete(false);
    std::optional<platform::Error> sent;
    std::thread sender([&] { sent = thrown([&] { context->send(stateQuery); }); });
    ASSERT_TRUE(eventually([&] { return usb.bulkTransferCount() == 1; }));
    usb.unplug(-EPROTO);
    sender.join();
    ASSERT_TRUE(sent);
    EXPECT_EQ(fennick::ioReturn(*sent), UsbResult::notResponding);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([&] { context->read(18); })), PipeErrorCode::noDevice);
}

// A device plugged in after the program started is found.
TEST(KernelUsbTransport, ADevicePluggedInLaterIsFound) {
    Device usb({}, false);
    EXPECT_EQ(fennick::pipeErrorCode(thrown([] { open(); })), PipeErrorCode::noDevice);
    usb.plugIn();
    std::shared_ptr<dari::UsbDeviceCommunicator::Context> context;
    ASSERT_TRUE(eventually([&] {
        try {
            context = open();
        } catch (const platform::Error&) {
        }
        return context != nullptr;
    }));
    context->send(stateQuery);
    expectStateReply(*context);
}
