#include "platform/usb/SocketUsbDevice.h"

#include "platform/usb/SocketUsbConnection.h"
#include "platform/usb/SocketUsbInterface.h"

namespace platform {

SocketUsbDevice::SocketUsbDevice(std::shared_ptr<SocketUsbConnection> connection)
    : m_connection(std::move(connection)) {}

SocketUsbDevice::~SocketUsbDevice() {
    close();
}

UsbResult::Code SocketUsbDevice::open() {
    if (m_connection->isClosed()) {
        return UsbResult::noDevice;
    }
    if (m_isOpen) {
        return UsbResult::exclusiveAccess;
    }
    m_isOpen = true;
    return UsbResult::success;
}

void SocketUsbDevice::close() {
    if (m_isOpen) {
        m_isOpen = false;
        m_connection->close();
    }
}

UsbResult::Code SocketUsbDevice::configurationValue(quint8 index, quint8& value) {
    if (index != 0) {
        return UsbResult::badArgument;
    }
    value = 1;
    return UsbResult::success;
}

UsbResult::Code SocketUsbDevice::setConfiguration(quint8 value) {
    return value == 1 ? UsbResult::success : UsbResult::badArgument;
}

std::unique_ptr<UsbInterface> SocketUsbDevice::findInterface(quint8 interfaceClass) {
    if (interfaceClass != printerClass) {
        return nullptr;
    }
    return std::make_unique<SocketUsbInterface>(m_connection);
}

UsbResult::Code SocketUsbDevice::reEnumerate() {
    // A new connection is a fresh device for the simulator.
    m_isOpen = false;
    m_connection->close();
    return UsbResult::success;
}

} // namespace platform
