#include "platform/CancellationError.h"

namespace platform {

const QString CancellationError::domain = QStringLiteral("CancellationError");

CancellationError::CancellationError()
    : Error(domain, 0, UserInfo{QStringLiteral("The operation was cancelled."), {}, {}, {}}) {}

std::shared_ptr<const Error> CancellationError::clone() const {
    return std::make_shared<CancellationError>(*this);
}

void CancellationError::raise() const {
    throw *this;
}

} // namespace platform
