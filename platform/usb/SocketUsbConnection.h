#pragma once

#include "platform/usb/UsbResult.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <mutex>

namespace platform {

// One stream connection to a device simulator's local socket. The socket
// carries the device's bulk byte stream unchanged in both directions.
class SocketUsbConnection {
public:
    // Connects; nothing when no simulator listens on the path.
    static std::shared_ptr<SocketUsbConnection> connect(const QString& path);
    ~SocketUsbConnection();

    UsbResult::Code write(const QByteArray& data, std::chrono::milliseconds timeout);
    UsbResult::Code read(qsizetype maxLength, QByteArray& data, std::chrono::milliseconds timeout);
    void close();
    bool isClosed() const;

    SocketUsbConnection(const SocketUsbConnection&) = delete;
    SocketUsbConnection& operator=(const SocketUsbConnection&) = delete;

private:
    explicit SocketUsbConnection(int fd) : m_fd(fd) {}

    mutable std::mutex m_mutex;
    int m_fd;
};

} // namespace platform
