#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace platform {

// One end of the socket pair between the program and a picture worker:
// whole messages (a sequenced-packet socket keeps their bounds), each with
// the file descriptors it carries. Owns its descriptor.
class WorkerChannel {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    enum class Result {
        received,
        // The other end is gone.
        closed,
        timedOut,
        // A message larger than asked for, or with more descriptors than
        // a message may carry, or a failure of the socket.
        failed,
    };

    // The most descriptors a message carries.
    static constexpr std::size_t maximumDescriptors = 2;

    explicit WorkerChannel(int fd) : m_fd(fd) {}
    ~WorkerChannel();
    WorkerChannel(WorkerChannel&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    WorkerChannel& operator=(WorkerChannel&& other) noexcept;
    WorkerChannel(const WorkerChannel&) = delete;
    WorkerChannel& operator=(const WorkerChannel&) = delete;

    // A connected pair: this side's channel, and the other end's descriptor
    // (closed on exec, like this side's, until it is handed to the worker).
    static std::optional<std::pair<WorkerChannel, int>> pair();

    int fd() const { return m_fd; }

    // False when the message could not be sent, or not within sendPatience.
    bool send(const void* data, std::size_t size, std::span<const int> fds = {}) const;
    static constexpr std::chrono::seconds sendPatience{2};
    // Waits for the next message until the deadline (for ever without one).
    // `size` is the message's length; the descriptors it carries are
    // appended to `fds`, owned by the caller (closed on exec).
    Result receive(void* data, std::size_t capacity, std::size_t& size, std::vector<int>& fds,
                   std::optional<Deadline> deadline = std::nullopt) const;

private:
    int m_fd = -1;
};

} // namespace platform
