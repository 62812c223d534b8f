#include "transport/dari/WifiDeviceCommunicationContext.h"

#include "platform/CancellationError.h"
#include "platform/Pause.h"
#include "platform/Progress.h"
#include "transport/dari/DescriptorWait.h"
#include "transport/dari/NetworkError.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace dari {

namespace {

constexpr size_t receiveChunk = 16 * 1024;

// Closes a socket unless it is handed on.
class SocketHolder {
public:
    explicit SocketHolder(int fd) : m_fd(fd) {}
    ~SocketHolder() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first) {
            freeaddrinfo(first);
        }
    }
};

// 0 while the connection is being made, else the outcome: -1 when it is
// ready, or the errno it failed with.
int connectionState(int fd) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 0) <= 0) {
        return 0;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        return errno;
    }
    return error == 0 ? -1 : error;
}

ssize_t receive(int fd, char* buffer, size_t size, int flags) {
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, size, flags);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

} // namespace

WifiDeviceCommunicationContext::WifiDeviceCommunicationContext(NetworkEndpoint endpoint,
                                                               platform::Progress* progress)
    : m_endpoint(std::move(endpoint)), m_progress(progress) {
    m_socket = connectTo(m_endpoint, progress);
}

WifiDeviceCommunicationContext::~WifiDeviceCommunicationContext() {
    if (m_socket >= 0) {
        ::close(m_socket);
    }
}

int WifiDeviceCommunicationContext::connectTo(const NetworkEndpoint& endpoint,
                                              platform::Progress* progress) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    AddressList addresses;
    const int resolved =
        getaddrinfo(endpoint.host.toUtf8().constData(),
                    QByteArray::number(endpoint.port).constData(), &hints, &addresses.first);
    if (resolved != 0) {
        throw NetworkError::fromAddressResolution(resolved);
    }

    int lastError = ECONNREFUSED;
    for (const addrinfo* a = addresses.first; a; a = a->ai_next) {
        SocketHolder socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (socket.get() < 0) {
            lastError = errno;
            continue;
        }
        if (::connect(socket.get(), a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
            lastError = errno;
            continue;
        }
        for (;;) {
            if (progress && progress->isCancelled()) {
                throw platform::CancellationError();
            }
            platform::Pause::sleep(pollInterval, progress);
            const int state = connectionState(socket.get());
            if (state == -1) {
                const int flags = fcntl(socket.get(), F_GETFL);
                fcntl(socket.get(), F_SETFL, flags & ~O_NONBLOCK);
                return socket.release();
            }
            if (state != 0) {
                lastError = state;
                break;
            }
        }
    }
    throw NetworkError::fromErrno(lastError);
}

void WifiDeviceCommunicationContext::reconnect() {
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
    m_socket = connectTo(m_endpoint, m_progress);
}

void WifiDeviceCommunicationContext::throwIfNotConnected() {
    if (m_pendingFailure) {
        const std::shared_ptr<const platform::Error> failure = std::move(m_pendingFailure);
        m_pendingFailure.reset();
        failure->raise();
    }
    if (m_socket < 0) {
        throw NetworkError::fromErrno(ENOTCONN);
    }
}

void WifiDeviceCommunicationContext::performSend(const QByteArray& data) {
    throwIfNotConnected();
    qsizetype sent = 0;
    while (sent < data.size()) {
        DescriptorWait::wait(m_socket, POLLOUT, m_progress);
        const ssize_t n = ::send(m_socket, data.constData() + sent, size_t(data.size() - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n < 0) {
            throw NetworkError::fromErrno(errno);
        }
        sent += n;
    }
}

QByteArray WifiDeviceCommunicationContext::performRead(std::optional<qint64> length) {
    throwIfNotConnected();
    if (!length) {
        return readUntilEndOfStream();
    }
    QByteArray data;
    char buffer[receiveChunk];
    while (data.size() < *length) {
        DescriptorWait::wait(m_socket, POLLIN, m_progress);
        const ssize_t n = receive(m_socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n < 0) {
            throw NetworkError::fromErrno(errno);
        }
        if (n == 0) {
            return data; // the device ended the stream
        }
        data.append(buffer, n);
    }
    // Whatever else has arrived belongs to this answer too.
    for (;;) {
        const ssize_t n = receive(m_socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0) {
            return data;
        }
        data.append(buffer, n);
    }
}

QByteArray WifiDeviceCommunicationContext::readUntilEndOfStream() {
    QByteArray data;
    char buffer[receiveChunk];
    for (;;) {
        DescriptorWait::wait(m_socket, POLLIN, m_progress);
        const ssize_t n = receive(m_socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n > 0) {
            data.append(buffer, n);
            continue;
        }
        if (n < 0 && data.isEmpty()) {
            throw NetworkError::fromErrno(errno);
        }
        return reconnectKeeping(data);
    }
}

QByteArray WifiDeviceCommunicationContext::reconnectKeeping(const QByteArray& data) {
    try {
        reconnect();
    } catch (const platform::Error& error) {
        if (data.isEmpty()) {
            throw;
        }
        m_pendingFailure = error.clone();
    }
    return data;
}

} // namespace dari
