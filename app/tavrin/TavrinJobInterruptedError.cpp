#include "app/tavrin/TavrinJobInterruptedError.h"

#include "app/tavrin/TavrinConnect.h"

namespace lunvik {

const QString TavrinJobInterruptedError::domain =
    QStringLiteral("TavrinConnect.TavrinJobInterruptedError");

TavrinJobInterruptedError::TavrinJobInterruptedError(qint64 columnsSent, qint64 columnCount,
                                                     const platform::Error& cause)
    : LocalizableError(domain, 0), m_columnsSent(columnsSent), m_columnCount(columnCount),
      m_cause(cause.clone()) {}

QList<platform::FormatArgument> TavrinJobInterruptedError::descriptionFormatArguments() const {
    return {m_columnsSent, m_columnCount, m_cause->localizedDescription()};
}

ambrel::LocalizedStringTable TavrinJobInterruptedError::table() const {
    return TavrinConnect::sharedStringTable();
}

std::shared_ptr<const platform::Error> TavrinJobInterruptedError::clone() const {
    return std::make_shared<TavrinJobInterruptedError>(*this);
}

void TavrinJobInterruptedError::raise() const {
    throw *this;
}

} // namespace lunvik
