#include "platform/usb/LibusbHost.h"

#include "platform/usb/LibusbDevice.h"

#include <libusb.h>

namespace platform {

std::shared_ptr<LibusbSession> LibusbHost::session() {
    std::lock_guard lock(m_mutex);
    if (!m_session) {
        m_session = std::make_shared<LibusbSession>();
    }
    return m_session;
}

std::unique_ptr<UsbDevice> LibusbHost::findDevice(quint32 vendorIdentifier,
                                                  quint32 productIdentifier) {
    const std::shared_ptr<LibusbSession> s = session();
    if (!s->context()) {
        return nullptr;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(s->context(), &list);
    if (count < 0) {
        return nullptr;
    }
    std::unique_ptr<UsbDevice> found;
    for (ssize_t i = 0; i < count && !found; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) == LIBUSB_SUCCESS &&
            descriptor.idVendor == vendorIdentifier && descriptor.idProduct == productIdentifier) {
            found = std::make_unique<LibusbDevice>(s, list[i]);
        }
    }
    libusb_free_device_list(list, 1);
    return found;
}

std::chrono::milliseconds LibusbHost::reEnumerationDelay() const {
    return std::chrono::milliseconds(1000);
}

} // namespace platform
