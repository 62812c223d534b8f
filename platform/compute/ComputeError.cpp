#include "platform/compute/ComputeError.h"

namespace platform::compute {

const QString ComputeError::domain = QStringLiteral("LunvikComputeErrorDomain");

ComputeError::ComputeError(Code code, const QString& description)
    : Error(domain, qint64(code), UserInfo{description, std::nullopt, nullptr, {}}) {}

std::shared_ptr<const Error> ComputeError::clone() const {
    return std::make_shared<ComputeError>(*this);
}

void ComputeError::raise() const {
    throw *this;
}

} // namespace platform::compute
