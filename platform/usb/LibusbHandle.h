#pragma once

#include "platform/usb/LibusbSession.h"

#include <memory>

struct libusb_device_handle;

namespace platform {

// An open libusb device, shared by the device and its interface so that an
// interface never outlives the handle it transfers through.
class LibusbHandle {
public:
    LibusbHandle(std::shared_ptr<LibusbSession> session, libusb_device_handle* handle);
    ~LibusbHandle();

    libusb_device_handle* get() const { return m_handle; }

    LibusbHandle(const LibusbHandle&) = delete;
    LibusbHandle& operator=(const LibusbHandle&) = delete;

private:
    std::shared_ptr<LibusbSession> m_session;
    libusb_device_handle* m_handle;
};

} // namespace platform
