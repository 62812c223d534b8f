#pragma once

#include "platform/usb/LibusbSession.h"
#include "platform/usb/UsbHost.h"

#include <memory>
#include <mutex>

namespace platform {

// The USB host of the application, over libusb-1.0.
class LibusbHost : public UsbHost {
public:
    std::unique_ptr<UsbDevice> findDevice(quint32 vendorIdentifier,
                                          quint32 productIdentifier) override;
    // Time for the kernel to enumerate a reset device again.
    std::chrono::milliseconds reEnumerationDelay() const override;

private:
    std::shared_ptr<LibusbSession> session();

    std::mutex m_mutex;
    std::shared_ptr<LibusbSession> m_session;
};

} // namespace platform
