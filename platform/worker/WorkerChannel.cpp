#include "platform/worker/WorkerChannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

WorkerChannel::~WorkerChannel() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

WorkerChannel& WorkerChannel::operator=(WorkerChannel&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

std::optional<std::pair<WorkerChannel, int>> WorkerChannel::pair() {
    int ends[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        return std::nullopt;
    }
    return std::pair<WorkerChannel, int>(WorkerChannel(ends[0]), ends[1]);
}

bool WorkerChannel::send(const void* data, std::size_t size, std::span<const int> fds) const {
    if (fds.size() > maximumDescriptors) {
        return false;
    }
    iovec part{const_cast<void*>(data), size};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * maximumDescriptors)] = {};
    if (!fds.empty()) {
        message.msg_control = control;
        message.msg_controllen = CMSG_SPACE(sizeof(int) * fds.size());
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int) * fds.size());
        std::memcpy(CMSG_DATA(header), fds.data(), sizeof(int) * fds.size());
    }
    // The other side reads each message as it comes; one that lets them
    // pile up is given a little while, not a wait for ever.
    const auto until = std::chrono::steady_clock::now() + sendPatience;
    for (;;) {
        const ssize_t sent = sendmsg(m_fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            return std::size_t(sent) == size;
        }
        if (errno == EINTR) {
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (errno != EAGAIN || left.count() <= 0) {
            return false;
        }
        pollfd waiting{m_fd, POLLOUT, 0};
        poll(&waiting, 1, int(left.count()));
    }
}

WorkerChannel::Result WorkerChannel::receive(void* data, std::size_t capacity, std::size_t& size,
                                             std::vector<int>& fds,
                                             std::optional<Deadline> deadline) const {
    size = 0;
    for (;;) {
        int timeout = -1;
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            timeout = int(std::max<std::chrono::milliseconds::rep>(
                0, std::min<std::chrono::milliseconds::rep>(left.count(), 1 << 30)));
        }
        pollfd waiting{m_fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Result::failed;
        }
        if (ready == 0) {
            return Result::timedOut;
        }
        break;
    }
    iovec part{data, capacity};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * maximumDescriptors)] = {};
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    ssize_t received = -1;
    do {
        received = recvmsg(m_fd, &message, MSG_CMSG_CLOEXEC | MSG_DONTWAIT);
    } while (received < 0 && errno == EINTR);
    // Descriptors that came are taken even from a message refused below, so
    // that none is left open.
    std::vector<int> came;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS) {
            const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
                came.push_back(fd);
            }
        }
    }
    if (received < 0 || (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0) {
        for (const int fd : came) {
            ::close(fd);
        }
        return received == 0 ? Result::closed : Result::failed;
    }
    if (received == 0 && came.empty()) {
        return Result::closed;
    }
    size = std::size_t(received);
    fds.insert(fds.end(), came.begin(), came.end());
    return Result::received;
}

} // namespace platform
