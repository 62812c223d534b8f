#include "app/simulator/kernel/TavrinKernelUsbDevice.h"
#include "transport/dari/UsbDeviceCommunicator.h"
#include "transport/model/PipeError.h"

#include <gtest/gtest.h>

using lunvik::TavrinKernelUsbDevice;

TEST(KernelUsbTransport, SmokeStateQuery) {
    TavrinKernelUsbDevice usb;
    auto context = dari::UsbDeviceCommunicator(TavrinKernelUsbDevice::vendorIdentifier,
                                               TavrinKernelUsbDevice::productIdentifier)
                       .openContext(nullptr);
    context->send(QByteArray::fromHex("1b7c53"));
    const QByteArray reply = context->read(18);
    EXPECT_EQ(reply.size(), 18);
}
