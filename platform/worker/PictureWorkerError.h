#pragma once

#include "platform/Error.h"

namespace platform {

// A picture worker did not answer a request: it crashed, was killed by
// the limits the kernel holds it to, or missed its deadline and was
// killed by the program. The picture it was drawing or decoding is
// refused; the next request gets a fresh worker.
class PictureWorkerError : public Error {
public:
    enum class Cause {
        // Ended by a signal of its own faults (a crash, a stack overflow, an
        // abort when memory ran out, the processor limit), or by ending.
        crashed,
        // Killed from outside (SIGKILL): the system short of memory, or a
        // person.
        killed,
        missedDeadline,
        // Answered what no worker answers.
        brokeProtocol,
        // No worker could be started (the system gave no process or
        // memory for one).
        unavailable,
    };

    static const QString domain;

    explicit PictureWorkerError(Cause cause);

    Cause cause() const { return m_cause; }
    // Whether the picture itself is to blame, so that drawing it again
    // would fail again: every cause but a kill from outside and a worker
    // that did not start.
    bool isOwnFault() const { return m_cause != Cause::killed && m_cause != Cause::unavailable; }

    std::shared_ptr<const Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    Cause m_cause;
};

} // namespace platform
