#pragma once

#include "app/simulator/kernel/TavrinKernelUsbDevice.h"
#include "platform/Error.h"
#include "transport/dari/UsbDeviceCommunicator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sys/resource.h>
#include <thread>

// What the tests of the libusb backend against the emulated device share.
namespace kernel_usb_test {

using Device = lunvik::TavrinKernelUsbDevice;

inline std::shared_ptr<dari::UsbDeviceCommunicator::Context> open() {
    return dari::UsbDeviceCommunicator(Device::vendorIdentifier, Device::productIdentifier)
        .openContext(nullptr);
}

// The error a call throws, or a failure when it throws none.
template <typename Call> platform::Error thrown(Call call) {
    try {
        call();
    } catch (const platform::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error thrown";
    return platform::Error(QStringLiteral("none"), -1);
}

// Polls until the condition holds; the emulation hears of closed files and
// libusb of plugged devices on threads of their own.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The process's processor time, user and system, all threads.
inline std::chrono::microseconds processorTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

} // namespace kernel_usb_test
