#pragma once

#include "platform/worker/PictureWorkerError.h"
#include "platform/worker/PictureWorkerProtocol.h"
#include "platform/worker/WorkerChannel.h"

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>

namespace platform {

// One picture worker process, seen from the program: the worker program
// started beside this library with one end of a socket pair, and what it
// holds. Used by one thread at a time (the pool hands it out).
class PictureWorker {
public:
    using Protocol = PictureWorkerProtocol;

    // The worker program's file name; it lies in ModuleLoader::folder().
    static constexpr const char* programName = "lunvik-picture-worker";

    // A new worker; nothing, with a line on standard error, when the
    // program cannot be started.
    static std::unique_ptr<PictureWorker> start();
    // Kills the worker if it still runs, and waits for its end.
    ~PictureWorker();
    PictureWorker(const PictureWorker&) = delete;
    PictureWorker& operator=(const PictureWorker&) = delete;

    // Its process, which it keeps after it ended.
    pid_t pid() const { return m_processId; }
    bool isRunning() const { return m_pid > 0; }
    // Kills the process from any thread, however long after it ended: the
    // handle names this process, never one that takes its number later.
    using Killer = std::function<void()>;
    Killer killer() const;

    // Sends the request (the descriptors go with it) and waits for its
    // answer until the deadline. Any failure ends the worker: one that
    // misses the deadline is killed. The answer is checked to answer this
    // request; nothing else of it is.
    std::optional<PictureWorkerError::Cause> exchange(Protocol::Header& request, std::size_t size,
                                                      std::span<const int> fds,
                                                      Protocol::Answer& answer,
                                                      std::chrono::milliseconds deadline);
    // A request without an answer; false when it could not be sent.
    bool post(Protocol::Header& request, std::size_t size);
    // Whether an idle worker is still there: one killed from outside while
    // it waited has closed its end. One that is not is ended.
    bool stillThere();

    // The documents it has opened, by their numbers.
    std::set<std::uint64_t>& documents() { return m_documents; }
    double processorSeconds() const { return m_processorSeconds; }
    std::chrono::steady_clock::time_point lastUsed() const { return m_lastUsed; }

private:
    PictureWorker(pid_t pid, WorkerChannel channel);
    // Kills the worker and waits for its end; why it ended.
    PictureWorkerError::Cause end(bool kill);

    pid_t m_processId = -1;
    // A descriptor of the process (pidfd), for killing it from elsewhere.
    std::shared_ptr<const int> m_handle;
    // The process while it runs.
    pid_t m_pid = -1;
    WorkerChannel m_channel;
    std::uint32_t m_sequence = 0;
    std::set<std::uint64_t> m_documents;
    double m_processorSeconds = 0;
    std::chrono::steady_clock::time_point m_lastUsed;
};

} // namespace platform
