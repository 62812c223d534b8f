#include "platform/usb/MemoryUsbHost.h"

#include "platform/usb/MemoryUsbDeviceHandle.h"

namespace platform {

std::shared_ptr<MemoryUsbDevice> MemoryUsbHost::addDevice(quint32 vendorIdentifier,
                                                          quint32 productIdentifier) {
    auto device = std::make_shared<MemoryUsbDevice>(vendorIdentifier, productIdentifier);
    std::lock_guard lock(m_mutex);
    m_devices.push_back(device);
    return device;
}

std::unique_ptr<UsbDevice> MemoryUsbHost::findDevice(quint32 vendorIdentifier,
                                                     quint32 productIdentifier) {
    std::lock_guard lock(m_mutex);
    for (const auto& device : m_devices) {
        if (device->vendorIdentifier() != vendorIdentifier ||
            device->productIdentifier() != productIdentifier) {
            continue;
        }
        const int gen = device->generation();
        if (gen >= 0) {
            return std::make_unique<MemoryUsbDeviceHandle>(device, gen);
        }
    }
    return nullptr;
}

std::chrono::milliseconds MemoryUsbHost::reEnumerationDelay() const {
    std::lock_guard lock(m_mutex);
    return m_reEnumerationDelay;
}

void MemoryUsbHost::setReEnumerationDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_reEnumerationDelay = delay;
}

} // namespace platform
