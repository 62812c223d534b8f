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
        // A newer simulator may have taken the path over; its socket stays.
        struct stat now {};
        if (::lstat(QFile::encodeName(m_path).constData(), &now) == 0 &&
            now.st_ino == m_socketInode && now.st_dev == m_socketDevice) {
            QFile::remove(m_path);
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
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        return fail(QStringLiteral("cannot make a socket"));
    }
    struct stat existing {};
    if (::lstat(encoded.constData(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            ::close(listener);
            errno = EEXIST;
            return fail(path + QStringLiteral(" exists and is not a socket"));
        }
        // A socket that still answers belongs to a running simulator.
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool answered = probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&address),
                                                      sizeof(address)) == 0;
        if (probe >= 0) {
            ::close(probe);
        }
        if (answered) {
            ::close(listener);
            errno = EADDRINUSE;
            return fail(QStringLiteral("another simulator already serves ") + path);
        }
        ::unlink(encoded.constData());
    }
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 4) != 0) {
        const int saved = errno;
        ::close(listener);
        errno = saved;
        return fail(QStringLiteral("cannot listen on ") + path);
    }
    struct stat bound {};
    if (::lstat(encoded.constData(), &bound) == 0) {
        m_socketInode = bound.st_ino;
        m_socketDevice = bound.st_dev;
    }
    m_listener = listener;
    m_path = path;
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
        if (jobFinished) {
            const auto jobs = m_device.jobs();
            for (qsizetype i = jobsBefore; i < jobs.size(); ++i) {
                jobFinished(jobs.at(i), int(i));
            }
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
