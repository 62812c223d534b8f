#include "platform/usb/LibusbHandle.h"

#include <libusb.h>

#include <utility>

namespace platform {

LibusbHandle::LibusbHandle(std::shared_ptr<LibusbSession> session, libusb_device_handle* handle)
    : m_session(std::move(session)), m_handle(handle) {}

LibusbHandle::~LibusbHandle() {
    close();
}

void LibusbHandle::close() {
    if (m_handle) {
        libusb_close(std::exchange(m_handle, nullptr));
    }
}

} // namespace platform
