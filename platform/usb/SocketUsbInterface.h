#pragma once

#include "platform/usb/UsbInterface.h"

#include <memory>

namespace platform {

class SocketUsbConnection;

// The simulator's printer interface: pipe 1 reads the socket, pipe 2 writes it.
class SocketUsbInterface : public UsbInterface {
public:
    static constexpr quint8 readPipeNumber = 1;
    static constexpr quint8 writePipeNumber = 2;
    static constexpr quint16 maxPacketSize = 512;

    explicit SocketUsbInterface(std::shared_ptr<SocketUsbConnection> connection);

    UsbResult::Code open() override;
    void close() override;
    UsbResult::Code pipeProperties(quint8 pipe, UsbPipeProperties& properties) override;
    UsbResult::Code writePipe(quint8 pipe, const QByteArray& data,
                              std::chrono::milliseconds noDataTimeout,
                              std::chrono::milliseconds completionTimeout) override;
    UsbResult::Code readPipe(quint8 pipe, qsizetype maxLength, QByteArray& data,
                             std::chrono::milliseconds noDataTimeout,
                             std::chrono::milliseconds completionTimeout) override;
    UsbResult::Code clearPipeStallBothEnds(quint8 pipe) override;

private:
    std::shared_ptr<SocketUsbConnection> m_connection;
    bool m_isOpen = false;
};

} // namespace platform
