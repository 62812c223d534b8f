#include "app/tavrin/TavrinCommandError.h"

#include "app/tavrin/TavrinConnect.h"

namespace lunvik {

const QString TavrinCommandError::domain = QStringLiteral("TavrinConnect.TavrinCommandError");

TavrinCommandError::TavrinCommandError(Case c, qint64 value, qint64 minimum, qint64 maximum)
    : LocalizableError(domain, qint64(c)), m_case(c), m_value(value), m_minimum(minimum),
      m_maximum(maximum) {}

QString TavrinCommandError::codeIdentifier() const {
    switch (m_case) {
    case Case::densityOutOfRange:
        return QStringLiteral("densityOutOfRange");
    case Case::valueOutOfRange:
        return QStringLiteral("valueOutOfRange");
    }
    return {};
}

QList<platform::FormatArgument> TavrinCommandError::descriptionFormatArguments() const {
    return {m_value, m_minimum, m_maximum};
}

ambrel::LocalizedStringTable TavrinCommandError::table() const {
    return TavrinConnect::sharedStringTable();
}

std::shared_ptr<const platform::Error> TavrinCommandError::clone() const {
    return std::make_shared<TavrinCommandError>(*this);
}

void TavrinCommandError::raise() const {
    throw *this;
}

} // namespace lunvik
