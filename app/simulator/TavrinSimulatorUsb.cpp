#include "app/simulator/TavrinSimulatorUsb.h"

namespace lunvik {

TavrinSimulatorUsb::TavrinSimulatorUsb(TavrinSimulatedDevice::Configuration configuration)
    : m_device(std::make_shared<TavrinSimulatedDevice>(std::move(configuration))),
      m_host(std::make_shared<platform::MemoryUsbHost>()) {
    m_usbDevice = m_host->addDevice(vendorIdentifier, productIdentifier);
    // The handlers hold the device weakly, so they never keep it alive.
    std::weak_ptr<TavrinSimulatedDevice> weakDevice = m_device;
    std::weak_ptr<platform::MemoryUsbDevice> weakUsb = m_usbDevice;
    m_usbDevice->setWriteHandler([weakDevice, weakUsb](const QByteArray& data) {
        const auto device = weakDevice.lock();
        if (!device) {
            return;
        }
        device->receive(data);
        if (device->hasFailed()) {
            if (const auto usb = weakUsb.lock()) {
                usb->unplug();
            }
        }
    });
    m_usbDevice->setReplySource([weakDevice](qsizetype maxLength) {
        const auto device = weakDevice.lock();
        return device ? device->takeReply(maxLength) : QByteArray();
    });
    m_scope = std::make_unique<platform::UsbHost::Scope>(m_host);
}

TavrinSimulatorUsb::~TavrinSimulatorUsb() = default;

} // namespace lunvik
