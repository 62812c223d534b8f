#include "platform/usb/LibusbHost.h"
#include "platform/usb/LibusbResult.h"

#include <libusb.h>

#include <gtest/gtest.h>

using namespace platform;

TEST(LibusbResult, MapsOntoTheResultsTheTransportTellsApart) {
    const struct {
        int libusb;
        UsbResult::Code expected;
    } rows[] = {
        {LIBUSB_SUCCESS, UsbResult::success},
        {12, UsbResult::success}, // a byte count
        {LIBUSB_ERROR_TIMEOUT, UsbResult::transactionTimeout},
        {LIBUSB_ERROR_NO_DEVICE, UsbResult::noDevice},
        {LIBUSB_ERROR_BUSY, UsbResult::exclusiveAccess},
        {LIBUSB_ERROR_IO, UsbResult::notResponding},
        {LIBUSB_ERROR_PIPE, UsbResult::pipeStalled},
        {LIBUSB_ERROR_ACCESS, UsbResult::notPrivileged},
        {LIBUSB_ERROR_OTHER, UsbResult::error},
        {-1000, UsbResult::error},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LibusbResult::toUsbResult(row.libusb), row.expected) << row.libusb;
    }
}

TEST(LibusbHost, FindsNothingForAnAbsentDevice) {
    LibusbHost host;
    // No device has these identifiers (vendor 0 is reserved).
    EXPECT_EQ(host.findDevice(0x0000, 0xFFFE), nullptr);
    EXPECT_EQ(host.reEnumerationDelay(), std::chrono::milliseconds(1000));
}
