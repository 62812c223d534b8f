#include "app/simulator/program/CommandInput.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace lunvik {

namespace {

constexpr int backgroundLookMilliseconds = 500;

} // namespace

CommandInput::CommandInput(int input, int stop) : m_input(input), m_stop(stop) {}

std::optional<QByteArray> CommandInput::next() {
    for (;;) {
        if (stopped(0)) {
            return std::nullopt;
        }
        const qsizetype end = m_pending.indexOf('\n');
        if (end >= 0) {
            QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return line;
        }
        if (m_ended) {
            if (!m_pending.isEmpty()) {
                return std::exchange(m_pending, {});
            }
            stopped(-1);
            return std::nullopt;
        }
        if (readsFromBackground()) {
            waitInBackground();
            continue;
        }
        pollfd watched[2] = {{m_stop, POLLIN, 0}, {m_input, POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno != EINTR) {
                m_ended = true;
            }
            continue;
        }
        if (watched[0].revents) {
            return std::nullopt;
        }
        if (watched[1].revents & POLLNVAL) {
            m_ended = true;
        } else if (watched[1].revents) {
            readSome();
        }
    }
}

// Whether the stop has come, waiting for it up to timeout milliseconds (-1:
// for ever). Without a stop to watch, nothing comes.
bool CommandInput::stopped(int timeout) const {
    pollfd watched{m_stop, POLLIN, 0};
    for (;;) {
        const int ready = poll(&watched, 1, timeout);
        if (ready >= 0 || errno != EINTR) {
            return ready > 0;
        }
    }
}

// A terminal whose foreground is another process group: this program was
// started in the background of a shell.
bool CommandInput::readsFromBackground() const {
    if (!isatty(m_input)) {
        return false;
    }
    const pid_t foreground = tcgetpgrp(m_input);
    return foreground > 0 && foreground != getpgrp();
}

void CommandInput::waitInBackground() {
    if (!std::exchange(m_toldBackground, true) && inBackground) {
        inBackground();
    }
    stopped(backgroundLookMilliseconds);
}

void CommandInput::readSome() {
    char buffer[4096];
    const ssize_t count = read(m_input, buffer, sizeof buffer);
    if (count > 0) {
        m_pending.append(buffer, count);
    } else if (count == 0) {
        m_ended = true;
    } else if (errno == EIO && readsFromBackground()) {
        // Sent to the background between the look and the read.
        waitInBackground();
    } else if (errno != EINTR && errno != EAGAIN) {
        m_ended = true;
    }
}

} // namespace lunvik
