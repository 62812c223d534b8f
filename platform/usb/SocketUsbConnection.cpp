#include "platform/usb/SocketUsbConnection.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// Milliseconds left until the deadline, never negative.
int remaining(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return int(std::max<qint64>(0, left.count()));
}

// A wait that failed for a reason other than a signal leaves the socket's
// state unknown: nothing more is sent or taken, and the caller hears why.
UsbResult::Code waitFailure(int error) {
    return error == ENOMEM ? UsbResult::noMemory : UsbResult::ioError;
}

} // namespace

std::shared_ptr<SocketUsbConnection> SocketUsbConnection::connect(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || encoded.size() >= qsizetype(sizeof(address.sun_path))) {
        return nullptr;
    }
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<SocketUsbConnection>(new SocketUsbConnection(fd));
}

SocketUsbConnection::~SocketUsbConnection() {
    close();
}

void SocketUsbConnection::close() {
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool SocketUsbConnection::isClosed() const {
    std::lock_guard lock(m_mutex);
    return m_fd < 0;
}

UsbResult::Code SocketUsbConnection::write(const QByteArray& data,
                                           std::chrono::milliseconds timeout) {
    std::lock_guard lock(m_mutex);
    if (m_fd < 0) {
        return UsbResult::noDevice;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    qsizetype offset = 0;
    while (offset < data.size()) {
        // Sent straight away while the socket has room: a wait before every
        // piece would double the cost of streaming a job's columns.
        const ssize_t sent = ::send(m_fd, data.constData() + offset, size_t(data.size() - offset),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            offset += sent;
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            // The simulator went away: the device left the bus.
            ::close(m_fd);
            m_fd = -1;
            return UsbResult::noDevice;
        }
        pollfd p{m_fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, remaining(deadline));
        if (ready < 0 && errno != EINTR) {
            return waitFailure(errno);
        }
        if (ready == 0) {
            return UsbResult::timeout;
        }
    }
    return UsbResult::success;
}

UsbResult::Code SocketUsbConnection::read(qsizetype maxLength, QByteArray& data,
                                          std::chrono::milliseconds timeout) {
    std::lock_guard lock(m_mutex);
    data.clear();
    if (m_fd < 0) {
        return UsbResult::noDevice;
    }
    if (maxLength < 0) {
        return UsbResult::badArgument;
    }
    if (maxLength == 0) {
        // Nothing asked for, nothing taken: a zero-length receive would read
        // as the simulator having hung up.
        return UsbResult::success;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, remaining(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return waitFailure(errno);
        }
        if (ready == 0) {
            return UsbResult::transactionTimeout;
        }
        data.resize(maxLength);
        const ssize_t count = ::recv(m_fd, data.data(), size_t(maxLength), MSG_DONTWAIT);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (count <= 0) {
            data.clear();
            ::close(m_fd);
            m_fd = -1;
            return UsbResult::noDevice;
        }
        data.resize(count);
        return UsbResult::success;
    }
}

} // namespace platform
