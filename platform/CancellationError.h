#pragma once

#include "platform/Error.h"

namespace platform {

// Thrown when a run notices that its progress was cancelled. Callers treat it
// like a user's cancel: silently.
class CancellationError : public Error {
public:
    static const QString domain;
    CancellationError();

    std::shared_ptr<const Error> clone() const override;
    [[noreturn]] void raise() const override;

    static bool isCancellation(const Error& error) { return error.domain() == domain; }
};

} // namespace platform
