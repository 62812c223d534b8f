#include "platform/worker/PictureWorker.h"

#include "platform/Log.h"
#include "platform/ModuleLoader.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace platform {

namespace {

QString signalName(int signal) {
    const char* name = sigabbrev_np(signal);
    return name ? QStringLiteral("SIG") + QString::fromLatin1(name) : QString::number(signal);
}

} // namespace

PictureWorker::PictureWorker(pid_t pid, WorkerChannel channel)
    : m_processId(pid), m_handle(new int(int(syscall(SYS_pidfd_open, pid, 0))),
                                 [](const int* fd) {
                                     if (*fd >= 0) {
                                         ::close(*fd);
                                     }
                                     delete fd;
                                 }),
      m_pid(pid), m_channel(std::move(channel)), m_lastUsed(std::chrono::steady_clock::now()) {}

// The C library's declarations of the process descriptors' calls are
// not usable from C++ here: the calls are made directly.
PictureWorker::Killer PictureWorker::killer() const {
    return [handle = m_handle] {
        if (*handle >= 0) {
            syscall(SYS_pidfd_send_signal, *handle, SIGKILL, nullptr, 0);
        }
    };
}

PictureWorker::~PictureWorker() {
    if (m_pid > 0) {
        end(true);
    }
}

std::unique_ptr<PictureWorker> PictureWorker::start() {
    const QByteArray program =
        QFile::encodeName(QDir(ModuleLoader::folder()).filePath(QString::fromLatin1(programName)));
    auto pair = WorkerChannel::pair();
    if (!pair) {
        Log::line(QStringLiteral("cannot make the socket pair of a picture worker: ") +
                  QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    const int theirs = pair->second;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, theirs, Protocol::channelFd);
    // Whatever this thread blocks or the program ignores, the worker starts
    // with the signals of its faults in force.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS, SIGXCPU, SIGTERM,
                             SIGINT, SIGHUP, SIGCHLD}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(programName), nullptr};
    pid_t pid = -1;
    const int failure =
        posix_spawn(&pid, program.constData(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(theirs);
    if (failure != 0) {
        Log::line(QStringLiteral("cannot start the picture worker ") + QFile::decodeName(program) +
                  QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(failure)));
        return nullptr;
    }
    return std::unique_ptr<PictureWorker>(new PictureWorker(pid, std::move(pair->first)));
}

std::optional<PictureWorkerError::Cause>
PictureWorker::exchange(Protocol::Header& request, std::size_t size, std::span<const int> fds,
                        Protocol::Answer& answer, std::chrono::milliseconds deadline) {
    if (m_pid <= 0) {
        return PictureWorkerError::Cause::crashed;
    }
    m_lastUsed = std::chrono::steady_clock::now();
    request.sequence = ++m_sequence;
    if (!m_channel.send(&request, size, fds)) {
        return end(true);
    }
    const auto until = std::chrono::steady_clock::now() + deadline;
    std::size_t received = 0;
    std::vector<int> unexpected;
    const auto result = m_channel.receive(&answer, sizeof(answer), received, unexpected, until);
    for (const int fd : unexpected) {
        ::close(fd);
    }
    m_lastUsed = std::chrono::steady_clock::now();
    switch (result) {
    case WorkerChannel::Result::received:
        break;
    case WorkerChannel::Result::timedOut:
        Log::line(QStringLiteral("the picture worker %1 missed its deadline of %2 ms; it is "
                                 "killed")
                      .arg(m_pid)
                      .arg(deadline.count()));
        end(true);
        return PictureWorkerError::Cause::missedDeadline;
    case WorkerChannel::Result::closed:
    case WorkerChannel::Result::failed:
        return end(false);
    }
    if (received != sizeof(answer) || !unexpected.empty() ||
        answer.header.kind != Protocol::Kind::answer || answer.header.sequence != m_sequence) {
        Log::line(QStringLiteral("the picture worker %1 answered what it was not asked; it is "
                                 "killed")
                      .arg(m_pid));
        end(true);
        return PictureWorkerError::Cause::brokeProtocol;
    }
    if (answer.cpuSeconds >= 0 && answer.cpuSeconds < 1e9) {
        m_processorSeconds = answer.cpuSeconds;
    }
    return std::nullopt;
}

bool PictureWorker::post(Protocol::Header& request, std::size_t size) {
    if (m_pid <= 0) {
        return false;
    }
    request.sequence = ++m_sequence;
    if (!m_channel.send(&request, size)) {
        end(true);
        return false;
    }
    return true;
}

bool PictureWorker::stillThere() {
    if (m_pid <= 0) {
        return false;
    }
    pollfd watched{m_channel.fd(), 0, 0};
    if (poll(&watched, 1, 0) > 0) {
        end(false);
        return false;
    }
    return true;
}

PictureWorkerError::Cause PictureWorker::end(bool kill) {
    const pid_t pid = std::exchange(m_pid, -1);
    // A worker that closed its end may still run: it is killed either way,
    // which changes nothing for one that has already ended.
    ::kill(pid, SIGKILL);
    int status = 0;
    pid_t waited = -1;
    do {
        waited = waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    m_channel = WorkerChannel(-1);
    if (waited != pid) {
        return PictureWorkerError::Cause::crashed;
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGKILL) {
            if (!kill) {
                Log::line(QStringLiteral("the picture worker %1 was killed").arg(pid));
            }
            return PictureWorkerError::Cause::killed;
        }
        Log::line(
            QStringLiteral("the picture worker %1 ended with %2").arg(pid).arg(signalName(signal)));
        return PictureWorkerError::Cause::crashed;
    }
    if (!kill) {
        Log::line(QStringLiteral("the picture worker %1 ended with status %2")
                      .arg(pid)
                      .arg(WEXITSTATUS(status)));
    }
    return PictureWorkerError::Cause::crashed;
}

} // namespace platform
