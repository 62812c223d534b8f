#include "platform/usb/MemoryUsbHost.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace std::chrono_literals;

namespace {

constexpr quint32 vendor = 0x2A91;
constexpr quint32 product = 0xD010;

struct Opened {
    std::unique_ptr<UsbDevice> device;
    std::unique_ptr<UsbInterface> interface;
};

Opened openPrinter(UsbHost& host) {
    Opened o;
    o.device = host.findDevice(vendor, product);
    if (!o.device || o.device->open() != UsbResult::success) {
        ADD_FAILURE() << "device did not open";
        return o;
    }
    o.interface = o.device->findInterface(UsbDevice::printerClass);
    if (!o.interface || o.interface->open() != UsbResult::success) {
        ADD_FAILURE() << "interface did not open";
    }
    return o;
}

UsbResult::Code read(UsbInterface& interface, qsizetype length, QByteArray& data) {
    return interface.readPipe(1, length, data, 1000ms, 1000ms);
}

} // namespace

TEST(MemoryUsbHost, IsFoundByIdentifiersThroughTheCurrentHost) {
    auto host = std::make_shared<MemoryUsbHost>();
    {
        UsbHost::Scope scope(host);
        EXPECT_EQ(UsbHost::current(), host);
        EXPECT_EQ(UsbHost::current()->findDevice(vendor, product), nullptr);
        host->addDevice(vendor, product + 1);
        auto device = host->addDevice(vendor, product);
        EXPECT_NE(UsbHost::current()->findDevice(vendor, product), nullptr);
        device->unplug();
        EXPECT_EQ(UsbHost::current()->findDevice(vendor, product), nullptr);
        device->plugIn();
        EXPECT_NE(UsbHost::current()->findDevice(vendor, product), nullptr);
    }
    EXPECT_NE(UsbHost::current(), host);
}

TEST(MemoryUsbHost, ReadsFollowTheQueuedScript) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    device->queueReply("abcdefgh");
    device->queueSilence(2);
    device->queueReply("");
    device->queueReadResult(UsbResult::pipeStalled);
    device->queueReply("z");
    Opened o = openPrinter(host);

    QByteArray data;
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::success);
    EXPECT_EQ(data, "abcde");
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::success);
    EXPECT_EQ(data, "fgh"); // the rest of the reply, not the next event
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::transactionTimeout);
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::transactionTimeout);
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::success);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::pipeStalled);
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::success);
    EXPECT_EQ(data, "z");
    EXPECT_EQ(read(*o.interface, 5, data), UsbResult::transactionTimeout); // nothing left
    EXPECT_EQ(device->pendingReadEvents(), 0);
}

TEST(MemoryUsbHost, WritesAreRecordedAndCanBeAnswered) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    // The handler holds its device weakly: a device owning a handler that
    // owns the device would never be freed.
    device->setWriteHandler([weak = std::weak_ptr(device)](const QByteArray& data) {
        if (const auto self = weak.lock(); self && data == "ping") {
            self->queueReply("pong");
        }
    });
    device->queueWriteResult(UsbResult::transactionTimeout);
    Opened o = openPrinter(host);

    EXPECT_EQ(o.interface->writePipe(2, "lost", 2000ms, 2000ms), UsbResult::transactionTimeout);
    EXPECT_EQ(o.interface->writePipe(2, "ping", 2000ms, 2000ms), UsbResult::success);
    EXPECT_EQ(o.interface->writePipe(2, "!", 2000ms, 2000ms), UsbResult::success);
    EXPECT_EQ(device->writes(), (QList<QByteArray>{"ping", "!"}));
    EXPECT_EQ(device->written(), "ping!");
    QByteArray data;
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::success);
    EXPECT_EQ(data, "pong");

    // A device that does not keep its writes still hands them to the handler.
    device->setKeepsWrites(false);
    EXPECT_EQ(o.interface->writePipe(2, "ping", 2000ms, 2000ms), UsbResult::success);
    EXPECT_EQ(device->written(), "ping!");
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::success);
    EXPECT_EQ(data, "pong");
    device->setKeepsWrites(true);

    // Pipes have a direction.
    EXPECT_EQ(o.interface->writePipe(1, "x", 2000ms, 2000ms), UsbResult::unknownPipe);
    EXPECT_EQ(o.interface->readPipe(2, 1, data, 1000ms, 1000ms), UsbResult::unknownPipe);
}

TEST(MemoryUsbHost, ReplySourceAnswersWhenNothingIsQueued) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    QByteArray pending = "0123456789";
    device->setReplySource([&pending](qsizetype maxLength) {
        const QByteArray part = pending.left(maxLength);
        pending.remove(0, part.size());
        return part;
    });
    device->queueReply("q");
    Opened o = openPrinter(host);
    QByteArray data;
    EXPECT_EQ(read(*o.interface, 4, data), UsbResult::success);
    EXPECT_EQ(data, "q"); // the queue comes first
    EXPECT_EQ(read(*o.interface, 4, data), UsbResult::success);
    EXPECT_EQ(data, "0123");
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::success);
    EXPECT_EQ(data, "456789");
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::transactionTimeout);
}

TEST(MemoryUsbHost, ReadWaitsForAReplyFromAnotherThreadWhenAsked) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    device->setReplyWait(5000ms);
    Opened o = openPrinter(host);
    std::thread replier([device] {
        std::this_thread::sleep_for(20ms);
        device->queueReply("late");
    });
    QByteArray data;
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::success);
    EXPECT_EQ(data, "late");
    replier.join();
}

TEST(MemoryUsbHost, StallsLastUntilCleared) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    device->queueReply("ok");
    Opened o = openPrinter(host);
    device->stallPipe(1);

    QByteArray data;
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::pipeStalled);
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::pipeStalled);
    device->queueClearStallResult(UsbResult::error);
    EXPECT_EQ(o.interface->clearPipeStallBothEnds(1), UsbResult::error);
    EXPECT_TRUE(device->isPipeStalled(1));
    EXPECT_EQ(o.interface->clearPipeStallBothEnds(1), UsbResult::success);
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::success);
    EXPECT_EQ(data, "ok");
}

TEST(MemoryUsbHost, SecondOpeningIsRefusedAsExclusive) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    Opened first = openPrinter(host);
    auto second = host.findDevice(vendor, product);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->open(), UsbResult::exclusiveAccess);

    first.interface.reset();
    first.device.reset(); // destroying a handle closes it
    EXPECT_FALSE(device->isOpen());
    EXPECT_EQ(second->open(), UsbResult::success);
}

TEST(MemoryUsbHost, ReEnumerationInvalidatesHandles) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    Opened o = openPrinter(host);
    EXPECT_EQ(o.device->reEnumerate(), UsbResult::success);
    EXPECT_EQ(device->reEnumerationCount(), 1);
    EXPECT_FALSE(device->isOpen());
    EXPECT_EQ(o.interface->writePipe(2, "x", 2000ms, 2000ms), UsbResult::noDevice);
    EXPECT_EQ(o.device->open(), UsbResult::noDevice);

    Opened again = openPrinter(host);
    EXPECT_EQ(again.interface->writePipe(2, "x", 2000ms, 2000ms), UsbResult::success);

    device->setReappearsAfterReEnumeration(false);
    EXPECT_EQ(again.device->reEnumerate(), UsbResult::success);
    EXPECT_EQ(host.findDevice(vendor, product), nullptr);
}

TEST(MemoryUsbHost, UnpluggedDeviceAnswersNoDevice) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    Opened o = openPrinter(host);
    device->unplug();
    QByteArray data;
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::noDevice);
    EXPECT_EQ(o.interface->clearPipeStallBothEnds(1), UsbResult::noDevice);
}

TEST(MemoryUsbHost, NotRespondingLastsUntilSetBack) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    device->queueReply("x");
    Opened o = openPrinter(host);
    device->setNotResponding(true);
    QByteArray data;
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::notResponding);
    EXPECT_EQ(o.interface->writePipe(2, "x", 2000ms, 2000ms), UsbResult::notResponding);
    EXPECT_EQ(o.interface->clearPipeStallBothEnds(1), UsbResult::notResponding);
    device->setNotResponding(false);
    EXPECT_EQ(read(*o.interface, 64, data), UsbResult::success);
}

TEST(MemoryUsbHost, ShapeAndOpeningFaultsAreScriptable) {
    MemoryUsbHost host;
    auto device = host.addDevice(vendor, product);
    device->setPipes({{UsbDirection::out, 512, true}, {UsbDirection::in, 32, false}});
    auto handle = host.findDevice(vendor, product);
    ASSERT_EQ(handle->open(), UsbResult::success);
    quint8 value = 0;
    EXPECT_EQ(handle->configurationValue(0, value), UsbResult::success);
    EXPECT_EQ(handle->setConfiguration(value), UsbResult::success);
    EXPECT_EQ(device->activeConfiguration(), 1);
    auto interface = handle->findInterface(UsbDevice::printerClass);
    ASSERT_NE(interface, nullptr);
    UsbPipeProperties p;
    EXPECT_EQ(interface->pipeProperties(1, p), UsbResult::success);
    EXPECT_EQ(p.direction, UsbDirection::out);
    EXPECT_EQ(p.maxPacketSize, 512);
    EXPECT_NE(interface->pipeProperties(2, p), UsbResult::success);
    EXPECT_EQ(interface->pipeProperties(3, p), UsbResult::unknownPipe);
    EXPECT_EQ(handle->findInterface(3), nullptr);

    device->setHasPrinterInterface(false);
    EXPECT_EQ(handle->findInterface(UsbDevice::printerClass), nullptr);
    device->setInterfaceOpenResult(UsbResult::notPrivileged);
    device->setHasPrinterInterface(true);
    EXPECT_EQ(handle->findInterface(UsbDevice::printerClass)->open(), UsbResult::notPrivileged);
    handle.reset();
    device->setOpenResult(UsbResult::notPrivileged);
    EXPECT_EQ(host.findDevice(vendor, product)->open(), UsbResult::notPrivileged);

    EXPECT_EQ(device->operations().first(), QStringLiteral("open device"));
    EXPECT_TRUE(device->operations().contains(QStringLiteral("set configuration 1")));
}
