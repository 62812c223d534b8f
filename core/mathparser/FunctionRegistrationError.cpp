#include "core/mathparser/FunctionRegistrationError.h"

namespace kestrom {

FunctionRegistrationError::FunctionRegistrationError(Case value, QString name)
    : platform::Error(errorDomain(), qint64(value)), m_case(value), m_name(std::move(name)) {}

std::shared_ptr<const platform::Error> FunctionRegistrationError::clone() const {
    return std::make_shared<FunctionRegistrationError>(*this);
}

void FunctionRegistrationError::raise() const {
    throw *this;
}

} // namespace kestrom
