#pragma once

#include "platform/usb/MemoryUsbDevice.h"
#include "platform/usb/UsbHost.h"

#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// An in-memory USB host for tests. Install it for a test's duration with
//
//     auto host = std::make_shared<platform::MemoryUsbHost>();
//     platform::UsbHost::Scope useIt(host);
//     auto device = host->addDevice(0x2A91, 0xD010);
//     device->queueReply(QByteArray("\x06", 1));
//
// and the code under test, which opens devices through UsbHost::current(),
// talks to the scripted device (see MemoryUsbDevice for the script).
class MemoryUsbHost : public UsbHost {
public:
    // Attaches a new device; devices are found in the order they were added.
    std::shared_ptr<MemoryUsbDevice> addDevice(quint32 vendorIdentifier, quint32 productIdentifier);

    std::unique_ptr<UsbDevice> findDevice(quint32 vendorIdentifier,
                                          quint32 productIdentifier) override;
    // Zero unless set: tests need not wait for a re-enumeration.
    std::chrono::milliseconds reEnumerationDelay() const override;
    void setReEnumerationDelay(std::chrono::milliseconds delay);

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<MemoryUsbDevice>> m_devices;
    std::chrono::milliseconds m_reEnumerationDelay{0};
};

} // namespace platform
