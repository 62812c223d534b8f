#include "app/simulator/TavrinSimulatorServer.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace lunvik {

TavrinSimulatorServer::TavrinSimulatorServer(TavrinSimulatedDevice& device) : m_device(device) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_wakeRead = fds[0];
        m_wakeWrite = fds[1];
    }
}

TavrinSimulatorServer::~TavrinSimulatorServer() {
    stop();
    if (m_listener >= 0) {
        ::close(m_listener);
        // Only the socket this server made: a newer server may own the path.
        struct stat now {};
        if (::lstat(QFile::encodeName(m_path).constData(), &now) == 0 && S_ISSOCK(now.st_mode) &&
            now.st_dev == m_socketDevice && now.st_ino == m_socketInode) {
            ::unlink(QFile::encodeName(m_path).constData());
        }
    }
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

bool TavrinSimulatorServer::listen(const QString& path, QString* error) {
    auto fail = [&](const QString& what) {
        if (error) {
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        }
        return false;
    };
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (encoded.size() >= qsizetype(sizeof(address.sun_path))) {
        errno = ENAMETOOLONG;
        return fail(QStringLiteral("socket path too long"));
    }
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    // A socket file is replaced only when nobody serves it any more; any
    // other file is never removed.
    struct stat existing {};
    if (::lstat(encoded.constData(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            if (error) {
                *error = path + QStringLiteral(" exists and is not a socket; not replacing it");
            }
            return false;
        }
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool served = probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&address),
                                                    sizeof(address)) == 0;
        if (probe >= 0) {
            ::close(probe);
        }
        if (served) {
            if (error) {
                *error = QStringLiteral("another simulator already serves ") + path;
            }
            return false;
        }
        ::unlink(encoded.constData());
    }
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        return fail(QStringLiteral("cannot make a socket"));
    }
    struct stat made {};
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 4) != 0 || ::lstat(encoded.constData(), &made) != 0) {
        const int saved = errno;
        ::close(listener);
        errno = saved;
        return fail(QStringLiteral("cannot listen on ") + path);
    }
    m_listener = listener;
    m_path = path;
    m_socketDevice = made.st_dev;
    m_socketInode = made.st_ino;
    return true;
}

void TavrinSimulatorServer::start() {
    m_thread = std::thread([this] { run(); });
}

void TavrinSimulatorServer::stop() {
    m_stopping = true;
    if (m_wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeWrite, &byte, 1);
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

void TavrinSimulatorServer::run() {
    while (!m_stopping && m_listener >= 0) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents) {
            return;
        }
        if (fds[0].revents & POLLIN) {
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0) {
                serveConnection(connection);
                ::close(connection);
            }
        }
    }
}

void TavrinSimulatorServer::serveConnection(int connection) {
    say(QStringLiteral("opened"));
    m_device.reconnect();
    QByteArray buffer(64 * 1024, '\0');
    for (;;) {
        pollfd fds[2] = {{connection, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        // Bytes already sent are taken before a stop, so nothing the host
        // wrote is lost.
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            break;
        }
        const ssize_t count = ::read(connection, buffer.data(), size_t(buffer.size()));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            say(QStringLiteral("closed by the host"));
            break;
        }
        const qsizetype jobsBefore = m_device.jobs().size();
        const qsizetype errorsBefore = m_device.protocolErrors().size();
        m_device.receive(QByteArray(buffer.constData(), count));
        const QStringList errors = m_device.protocolErrors();
        for (qsizetype i = errorsBefore; i < errors.size(); ++i) {
            say(errors.at(i));
        }
        const auto jobs = m_device.jobs();
        for (qsizetype i = jobsBefore; i < jobs.size(); ++i) {
            if (jobFinished) {
                jobFinished(jobs.at(i), m_finishedJobCount);
            }
            ++m_finishedJobCount;
        }
        if (!m_keepsHistory) {
            m_device.clearHistory();
        }
        if (m_device.hasFailed()) {
            say(QStringLiteral("failed in the middle of a job; disconnecting"));
            break;
        }
        if (!writeReplies(connection)) {
            break;
        }
    }
}

bool TavrinSimulatorServer::writeReplies(int connection) {
    QByteArray reply = m_device.takeReply(1 << 20);
    qsizetype offset = 0;
    while (offset < reply.size()) {
        const ssize_t written = ::send(connection, reply.constData() + offset,
                                       size_t(reply.size() - offset), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        offset += written;
    }
    return true;
}

void TavrinSimulatorServer::say(const QString& line) const {
    if (log) {
        log(line);
    }
}

} // namespace lunvik
