#include "app/tavrin/TavrinUnfinishedJobError.h"

#include "app/tavrin/TavrinConnect.h"

namespace lunvik {

const QString TavrinUnfinishedJobError::domain =
    QStringLiteral("TavrinConnect.TavrinUnfinishedJobError");

TavrinUnfinishedJobError::TavrinUnfinishedJobError(const platform::Error& cause)
    : LocalizableError(domain, 0), m_cause(cause.clone()) {}

ambrel::LocalizedStringTable TavrinUnfinishedJobError::table() const {
    return TavrinConnect::sharedStringTable();
}

std::shared_ptr<const platform::Error> TavrinUnfinishedJobError::clone() const {
    return std::make_shared<TavrinUnfinishedJobError>(*this);
}

void TavrinUnfinishedJobError::raise() const {
    throw *this;
}

} // namespace lunvik
