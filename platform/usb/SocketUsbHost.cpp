#include "platform/usb/SocketUsbHost.h"

#include "platform/usb/SocketUsbConnection.h"
#include "platform/usb/SocketUsbDevice.h"

namespace platform {

SocketUsbHost::SocketUsbHost(QString socketPath) : m_path(std::move(socketPath)) {}

std::unique_ptr<UsbDevice> SocketUsbHost::findDevice(quint32, quint32) {
    auto connection = SocketUsbConnection::connect(m_path);
    if (!connection) {
        return nullptr;
    }
    return std::make_unique<SocketUsbDevice>(std::move(connection));
}

std::chrono::milliseconds SocketUsbHost::reEnumerationDelay() const {
    return std::chrono::milliseconds(100);
}

} // namespace platform
