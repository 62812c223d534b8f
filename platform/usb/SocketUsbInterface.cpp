#include "platform/usb/SocketUsbInterface.h"

#include "platform/usb/SocketUsbConnection.h"

namespace platform {

SocketUsbInterface::SocketUsbInterface(std::shared_ptr<SocketUsbConnection> connection)
    : m_connection(std::move(connection)) {}

UsbResult::Code SocketUsbInterface::open() {
    if (m_connection->isClosed()) {
        return UsbResult::noDevice;
    }
    m_isOpen = true;
    return UsbResult::success;
}

void SocketUsbInterface::close() {
    m_isOpen = false;
}

UsbResult::Code SocketUsbInterface::pipeProperties(quint8 pipe, UsbPipeProperties& properties) {
    if (pipe != readPipeNumber && pipe != writePipeNumber) {
        return UsbResult::unknownPipe;
    }
    properties = {};
    properties.direction = pipe == readPipeNumber ? UsbDirection::in : UsbDirection::out;
    properties.transferType = UsbTransferType::bulk;
    properties.endpointNumber = pipe;
    properties.maxPacketSize = maxPacketSize;
    return UsbResult::success;
}

UsbResult::Code SocketUsbInterface::writePipe(quint8 pipe, const QByteArray& data,
                                              std::chrono::milliseconds,
                                              std::chrono::milliseconds completionTimeout) {
    if (!m_isOpen) {
        return UsbResult::notOpen;
    }
    if (pipe != writePipeNumber) {
        return UsbResult::unknownPipe;
    }
    return m_connection->write(data, completionTimeout);
}

UsbResult::Code SocketUsbInterface::readPipe(quint8 pipe, qsizetype maxLength, QByteArray& data,
                                             std::chrono::milliseconds noDataTimeout,
                                             std::chrono::milliseconds) {
    data.clear();
    if (!m_isOpen) {
        return UsbResult::notOpen;
    }
    if (pipe != readPipeNumber) {
        return UsbResult::unknownPipe;
    }
    return m_connection->read(maxLength, data, noDataTimeout);
}

UsbResult::Code SocketUsbInterface::clearPipeStallBothEnds(quint8 pipe) {
    if (pipe != readPipeNumber && pipe != writePipeNumber) {
        return UsbResult::unknownPipe;
    }
    return m_connection->isClosed() ? UsbResult::noDevice : UsbResult::success;
}

} // namespace platform
