#pragma once

#include "platform/Error.h"

namespace platform::compute {

// Failures of the compute layer itself: loading a bundle's kernels or
// compiling one.
class ComputeError : public Error {
public:
    enum class Code {
        noDefaultLibrary = 1,
        invalidKernel = 2,
    };

    static const QString domain;

    ComputeError(Code code, const QString& description);

    Code errorCode() const { return Code(code()); }

    std::shared_ptr<const Error> clone() const override;
    [[noreturn]] void raise() const override;
};

} // namespace platform::compute
