#include "model/errors/DecodingError.h"

namespace ambrel {

const QString DecodingError::domain = QStringLiteral("Ambrel.DecodingError");

DecodingError::DecodingError(Case c, QStringList codingPath, QString debugDescription)
    : LocalizableError(domain, qint64(c)), m_case(c), m_codingPath(std::move(codingPath)),
      m_debugDescription(std::move(debugDescription)) {}

QString DecodingError::codingPathText() const {
    QString text;
    for (const QString& component : m_codingPath) {
        if (component.startsWith(QLatin1Char('['))) {
            text += component;
        } else {
            if (!text.isEmpty()) {
                text += QLatin1Char('.');
            }
            text += component;
        }
    }
    return text;
}

QString DecodingError::caseName(Case c) {
    switch (c) {
    case Case::typeMismatch:
        return QStringLiteral("typeMismatch");
    case Case::valueNotFound:
        return QStringLiteral("valueNotFound");
    case Case::keyNotFound:
        return QStringLiteral("keyNotFound");
    case Case::dataCorrupted:
        return QStringLiteral("dataCorrupted");
    }
    return QStringLiteral("dataCorrupted");
}

QList<platform::FormatArgument> DecodingError::descriptionFormatArguments() const {
    const QString path = codingPathText();
    return {path.isEmpty() ? LocalizedStringTable::ambrel().getLocalizedStringOrKey(
                                 QStringLiteral("Error_decoding_topLevel"))
                           : path};
}

std::shared_ptr<const platform::Error> DecodingError::clone() const {
    return std::make_shared<DecodingError>(*this);
}

void DecodingError::raise() const {
    throw *this;
}

} // namespace ambrel
