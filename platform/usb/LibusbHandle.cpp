#include "platform/usb/LibusbHandle.h"

#include <libusb.h>

namespace platform {

LibusbHandle::LibusbHandle(std::shared_ptr<LibusbSession> session, libusb_device_handle* handle)
    : m_session(std::move(session)), m_handle(handle) {}

LibusbHandle::~LibusbHandle() {
    libusb_close(m_handle);
}

} // namespace platform
