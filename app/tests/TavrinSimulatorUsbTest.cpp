#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/simulator/TavrinSimulatorServer.h"
#include "app/tavrin/TavrinCommand.h"
#include "platform/usb/SocketUsbHost.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using lunvik::TavrinCommand;
using lunvik::TavrinSimulatedDevice;
using lunvik::TavrinSimulatorServer;
using lunvik::TavrinSimulatorUsb;
using platform::UsbResult;
using namespace std::chrono_literals;

namespace {

struct OpenDevice {
    std::unique_ptr<platform::UsbDevice> device;
    std::unique_ptr<platform::UsbInterface> interface;
};

// Opens the stencil device through whatever host is current, as the
// transport does.
OpenDevice openStencilDevice() {
    OpenDevice d;
    d.device = platform::UsbHost::current()->findDevice(TavrinSimulatorUsb::vendorIdentifier,
                                                        TavrinSimulatorUsb::productIdentifier);
    if (!d.device || d.device->open() != UsbResult::success) {
        return {};
    }
    d.interface = d.device->findInterface(platform::UsbDevice::printerClass);
    if (!d.interface || d.interface->open() != UsbResult::success) {
        return {};
    }
    return d;
}

quint8 pipeOf(platform::UsbInterface& interface, platform::UsbDirection direction) {
    for (quint8 pipe = 1; pipe <= 2; ++pipe) {
        platform::UsbPipeProperties properties;
        if (interface.pipeProperties(pipe, properties) == UsbResult::success &&
            properties.direction == direction) {
            return pipe;
        }
    }
    return 0;
}

QByteArray ask(OpenDevice& d, const QByteArray& command, qsizetype length) {
    auto& interface = *d.interface;
    EXPECT_EQ(interface.writePipe(pipeOf(interface, platform::UsbDirection::out), command, 2000ms,
                                  2000ms),
              UsbResult::success);
    QByteArray reply;
    while (reply.size() < length) {
        QByteArray part;
        if (interface.readPipe(pipeOf(interface, platform::UsbDirection::in), 512, part, 1000ms,
                               1000ms) != UsbResult::success) {
            break;
        }
        reply += part;
    }
    return reply;
}

TEST(TavrinSimulatorUsb, inMemoryBusCarriesCommandsAndReplies) {
    TavrinSimulatedDevice::Configuration c;
    c.failAfterColumnBytes = 4;
    TavrinSimulatorUsb usb(c);
    auto d = openStencilDevice();
    ASSERT_TRUE(d.interface);
    EXPECT_EQ(ask(d, TavrinCommand::stateQuery(), 18).size(), 18);
    EXPECT_EQ(ask(d, TavrinCommand::informationQuery(), 36).size(), 36);
    // The device drops off the bus once four column bytes have arrived.
    const quint8 out = pipeOf(*d.interface, platform::UsbDirection::out);
    EXPECT_EQ(d.interface->writePipe(out, TavrinCommand::jobGeometry(8, 100), 2000ms, 2000ms),
              UsbResult::success);
    d.interface->writePipe(out, QByteArray(10, '\0'), 2000ms, 2000ms);
    EXPECT_EQ(d.interface->writePipe(out, QByteArray(10, '\0'), 2000ms, 2000ms),
              UsbResult::noDevice);
    EXPECT_EQ(usb.device().jobInProgress()->columnData.size(), 4);
}

TEST(TavrinSimulatorUsb, socketBackendReachesTheSimulatorProgram) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.sock"));
    platform::UsbHost::Scope useSocket(std::make_shared<platform::SocketUsbHost>(path));
    // Nobody listens yet: no device.
    EXPECT_FALSE(openStencilDevice().interface);

    TavrinSimulatedDevice::Configuration c;
    c.informationReplyMode = TavrinSimulatedDevice::ReplyMode::silent;
    TavrinSimulatedDevice device(c);
    TavrinSimulatorServer server(device);
    ASSERT_TRUE(server.listen(path));
    server.start();
    {
        auto d = openStencilDevice();
        ASSERT_TRUE(d.interface);
        EXPECT_EQ(ask(d, TavrinCommand::stateQuery(), 18).size(), 18);
        // Silence is a read that times out.
        const quint8 in = pipeOf(*d.interface, platform::UsbDirection::in);
        const quint8 out = pipeOf(*d.interface, platform::UsbDirection::out);
        ASSERT_EQ(d.interface->writePipe(out, TavrinCommand::informationQuery(), 2000ms, 2000ms),
                  UsbResult::success);
        QByteArray nothing;
        EXPECT_EQ(d.interface->readPipe(in, 512, nothing, 200ms, 200ms),
                  UsbResult::transactionTimeout);
        EXPECT_TRUE(nothing.isEmpty());
        ASSERT_EQ(
            d.interface->writePipe(out, TavrinCommand::jobGeometry(16, 2) + "abcd", 2000ms, 2000ms),
            UsbResult::success);
    }
    server.stop();
    ASSERT_EQ(device.jobs().size(), 1);
    EXPECT_EQ(device.jobs().first().columnData, QByteArray("abcd"));
}

TEST(TavrinSimulatorUsb, environmentChoosesTheSocketBackend) {
    // Only the first use decides, so this runs in a process of its own.
    qputenv(platform::SocketUsbHost::environmentVariable, "/tmp/lunvik-simulator-test.sock");
    const auto host =
        std::dynamic_pointer_cast<platform::SocketUsbHost>(platform::UsbHost::current());
    ASSERT_TRUE(host);
    EXPECT_EQ(host->socketPath(), QStringLiteral("/tmp/lunvik-simulator-test.sock"));
}

} // namespace
