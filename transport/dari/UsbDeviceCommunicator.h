#pragma once

#include "transport/dari/UsbDeviceCommunicationContextObjCImpl.h"
#include "transport/model/DeviceCommunicator.h"

namespace dari {

// Names a USB device by its vendor and product identifiers.
class UsbDeviceCommunicator : public fennick::DeviceCommunicator {
public:
    using Context = UsbDeviceCommunicationContextObjCImpl;

    UsbDeviceCommunicator(quint32 vendorIdentifier, quint32 productIdentifier,
                          bool forcesReadTimeout = false);

    quint32 vendorIdentifier() const { return m_vendorIdentifier; }
    quint32 productIdentifier() const { return m_productIdentifier; }
    bool forcesReadTimeout() const { return m_forcesReadTimeout; }

    // The progress is not used: opening a USB device does not wait.
    std::shared_ptr<fennick::DeviceCommunicationContext>
    open(platform::Progress* progress) const override;
    std::shared_ptr<Context> openContext(platform::Progress* progress) const;

private:
    quint32 m_vendorIdentifier;
    quint32 m_productIdentifier;
    bool m_forcesReadTimeout;
};

} // namespace dari
