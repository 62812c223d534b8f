#pragma once

#include "platform/usb/UsbDevice.h"

namespace platform {

class SocketUsbConnection;

// The simulator's device: one connection, opened when the device is found.
class SocketUsbDevice : public UsbDevice {
public:
    explicit SocketUsbDevice(std::shared_ptr<SocketUsbConnection> connection);
    ~SocketUsbDevice() override;

    UsbResult::Code open() override;
    void close() override;
    UsbResult::Code configurationValue(quint8 index, quint8& value) override;
    UsbResult::Code setConfiguration(quint8 value) override;
    std::unique_ptr<UsbInterface> findInterface(quint8 interfaceClass) override;
    UsbResult::Code reEnumerate() override;

private:
    std::shared_ptr<SocketUsbConnection> m_connection;
    bool m_isOpen = false;
};

} // namespace platform
