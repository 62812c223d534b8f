#pragma once

#include "platform/usb/LibusbHandle.h"
#include "platform/usb/LibusbSession.h"
#include "platform/usb/UsbDevice.h"

#include <memory>

struct libusb_device;

namespace platform {

// A device found by LibusbHost.
class LibusbDevice : public UsbDevice {
public:
    LibusbDevice(std::shared_ptr<LibusbSession> session, libusb_device* device);
    ~LibusbDevice() override;

    UsbResult::Code open() override;
    void close() override;
    UsbResult::Code configurationValue(quint8 index, quint8& value) override;
    UsbResult::Code setConfiguration(quint8 value) override;
    std::unique_ptr<UsbInterface> findInterface(quint8 interfaceClass) override;
    UsbResult::Code reEnumerate() override;

private:
    // Usbfs has no exclusive opening of a whole device: another program holds
    // it when it has claimed the interface we are after.
    bool printerInterfaceHeldElsewhere() const;

    std::shared_ptr<LibusbSession> m_session;
    libusb_device* m_device;
    std::shared_ptr<LibusbHandle> m_handle;
};

} // namespace platform
