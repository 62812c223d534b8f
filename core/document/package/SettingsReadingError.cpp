#include "core/document/package/SettingsReadingError.h"

#include "core/document/job/Framework.h"

namespace kestrom {

const QString SettingsReadingError::domain = QStringLiteral("Kestrom.SettingsReadingError");

namespace {

// Texts a document supplies can be of any length; a message shows at most
// this many characters of each, the last being an ellipsis.
constexpr qsizetype maximumShownLength = 64;

QString shortened(const QString& text) {
    if (text.size() <= maximumShownLength) {
        return text;
    }
    qsizetype kept = maximumShownLength - 1;
    // Never half of a character outside the Basic Multilingual Plane.
    if (text.at(kept - 1).isHighSurrogate()) {
        --kept;
    }
    return text.left(kept) + QChar(0x2026);
}

QList<platform::FormatArgument> arguments(const QStringList& texts) {
    QList<platform::FormatArgument> list;
    for (const QString& text : texts) {
        list.append(shortened(text));
    }
    return list;
}

} // namespace

SettingsReadingError::SettingsReadingError(Case c, QStringList payload)
    : LocalizableError(domain, qint64(c)), m_case(c), m_payload(std::move(payload)) {}

SettingsReadingError
SettingsReadingError::documentWasMadeOnHigherVersionApp(const QString& minimumVersion,
                                                        const QString& appVersion) {
    return SettingsReadingError(Case::documentWasMadeOnHigherVersionApp,
                                {minimumVersion, appVersion});
}

SettingsReadingError SettingsReadingError::deviceIsNotSupported(const QString& appName,
                                                                const QString& appVersion,
                                                                const QString& modelName) {
    return SettingsReadingError(Case::deviceIsNotSupported, {appName, appVersion, modelName});
}

QString SettingsReadingError::codeIdentifier() const {
    return m_case == Case::documentWasMadeOnHigherVersionApp
               ? QStringLiteral("documentWasMadeOnHigherVersionApp")
               : QStringLiteral("deviceIsNotSupported");
}

QList<platform::FormatArgument> SettingsReadingError::descriptionFormatArguments() const {
    return m_case == Case::deviceIsNotSupported ? arguments(m_payload)
                                                : QList<platform::FormatArgument>{};
}

QList<platform::FormatArgument> SettingsReadingError::recoverySuggestionFormatArguments() const {
    return m_case == Case::documentWasMadeOnHigherVersionApp ? arguments(m_payload)
                                                             : QList<platform::FormatArgument>{};
}

ambrel::LocalizedStringTable SettingsReadingError::table() const {
    return Framework::frameworkStringTable();
}

std::shared_ptr<const platform::Error> SettingsReadingError::clone() const {
    return std::make_shared<SettingsReadingError>(*this);
}

void SettingsReadingError::raise() const {
    throw *this;
}

} // namespace kestrom
