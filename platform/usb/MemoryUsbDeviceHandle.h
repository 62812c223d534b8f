#pragma once

#include "platform/usb/MemoryUsbDevice.h"
#include "platform/usb/UsbDevice.h"

#include <memory>

namespace platform {

// The host's view of a MemoryUsbDevice found in one enumeration.
class MemoryUsbDeviceHandle : public UsbDevice {
public:
    MemoryUsbDeviceHandle(std::shared_ptr<MemoryUsbDevice> device, int generation);
    ~MemoryUsbDeviceHandle() override;

    UsbResult::Code open() override;
    void close() override;
    UsbResult::Code configurationValue(quint8 index, quint8& value) override;
    UsbResult::Code setConfiguration(quint8 value) override;
    std::unique_ptr<UsbInterface> findInterface(quint8 interfaceClass) override;
    UsbResult::Code reEnumerate() override;

private:
    std::shared_ptr<MemoryUsbDevice> m_device;
    int m_generation;
    quint64 m_id;
};

} // namespace platform
