#pragma once

#include "platform/usb/LibusbSession.h"

#include <memory>

struct libusb_device_handle;

namespace platform {

// An open libusb device, shared by the device and its interfaces so that an
// interface never transfers through a freed handle. Closing the device closes
// the handle for all of them: the device file must not stay open, held by an
// interface, after the device is closed or gone.
class LibusbHandle {
public:
    LibusbHandle(std::shared_ptr<LibusbSession> session, libusb_device_handle* handle);
    ~LibusbHandle();

    // Nothing once closed.
    libusb_device_handle* get() const { return m_handle; }
    void close();

    LibusbHandle(const LibusbHandle&) = delete;
    LibusbHandle& operator=(const LibusbHandle&) = delete;

private:
    std::shared_ptr<LibusbSession> m_session;
    libusb_device_handle* m_handle;
};

} // namespace platform
