#pragma once

#include "app/simulator/TavrinSimulatedDevice.h"
#include "platform/usb/MemoryUsbHost.h"

#include <memory>

namespace lunvik {

// Puts a simulated stencil device on the in-memory USB bus and makes that bus
// the process's USB host for the lifetime of this object, so the code under
// test finds the device as it would find the real one. When the device fails
// in the middle of a job it leaves the bus: the next transfer reports that no
// device is there.
class TavrinSimulatorUsb {
public:
    static constexpr quint32 vendorIdentifier = 0x2A91;
    static constexpr quint32 productIdentifier = 0xD010;

    explicit TavrinSimulatorUsb(TavrinSimulatedDevice::Configuration configuration = {});
    ~TavrinSimulatorUsb();

    TavrinSimulatedDevice& device() { return *m_device; }
    platform::MemoryUsbDevice& usbDevice() { return *m_usbDevice; }
    platform::MemoryUsbHost& host() { return *m_host; }

    TavrinSimulatorUsb(const TavrinSimulatorUsb&) = delete;
    TavrinSimulatorUsb& operator=(const TavrinSimulatorUsb&) = delete;

private:
    std::shared_ptr<TavrinSimulatedDevice> m_device;
    std::shared_ptr<platform::MemoryUsbHost> m_host;
    std::shared_ptr<platform::MemoryUsbDevice> m_usbDevice;
    std::unique_ptr<platform::UsbHost::Scope> m_scope;
};

} // namespace lunvik
