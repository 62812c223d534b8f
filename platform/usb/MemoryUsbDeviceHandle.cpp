#include "platform/usb/MemoryUsbDeviceHandle.h"

#include "platform/usb/MemoryUsbInterfaceHandle.h"

#include <atomic>

namespace platform {

namespace {

quint64 nextHandleId() {
    static std::atomic<quint64> next{1};
    return next++;
}

} // namespace

MemoryUsbDeviceHandle::MemoryUsbDeviceHandle(std::shared_ptr<MemoryUsbDevice> device,
                                             int generation)
    : m_device(std::move(device)), m_generation(generation), m_id(nextHandleId()) {}

MemoryUsbDeviceHandle::~MemoryUsbDeviceHandle() {
    close();
}

UsbResult::Code MemoryUsbDeviceHandle::open() {
    return m_device->open(m_generation, m_id);
}

void MemoryUsbDeviceHandle::close() {
    m_device->close(m_generation, m_id);
}

UsbResult::Code MemoryUsbDeviceHandle::configurationValue(quint8 index, quint8& value) {
    return m_device->configurationValue(m_generation, index, value);
}

UsbResult::Code MemoryUsbDeviceHandle::setConfiguration(quint8 value) {
    return m_device->setConfiguration(m_generation, m_id, value);
}

std::unique_ptr<UsbInterface> MemoryUsbDeviceHandle::findInterface(quint8 interfaceClass) {
    if (interfaceClass != printerClass || !m_device->hasPrinterInterface(m_generation)) {
        return nullptr;
    }
    return std::make_unique<MemoryUsbInterfaceHandle>(m_device, m_generation, m_id);
}

UsbResult::Code MemoryUsbDeviceHandle::reEnumerate() {
    return m_device->reEnumerate(m_generation, m_id);
}

} // namespace platform
