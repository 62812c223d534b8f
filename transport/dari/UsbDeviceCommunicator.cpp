#include "transport/dari/UsbDeviceCommunicator.h"

namespace dari {

UsbDeviceCommunicator::UsbDeviceCommunicator(quint32 vendorIdentifier, quint32 productIdentifier,
                                             bool forcesReadTimeout)
    : m_vendorIdentifier(vendorIdentifier), m_productIdentifier(productIdentifier),
      m_forcesReadTimeout(forcesReadTimeout) {}

std::shared_ptr<fennick::DeviceCommunicationContext>
UsbDeviceCommunicator::open(platform::Progress* progress) const {
    return openContext(progress);
}

std::shared_ptr<UsbDeviceCommunicator::Context>
UsbDeviceCommunicator::openContext(platform::Progress*) const {
    return std::make_shared<Context>(m_vendorIdentifier, m_productIdentifier, m_forcesReadTimeout);
}

} // namespace dari
