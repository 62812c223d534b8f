#include "model/errors/LocalizableError.h"

#include "platform/StringFormat.h"

namespace ambrel {

LocalizableError::LocalizableError(QString domain, qint64 code)
    : platform::Error(std::move(domain), code) {}

LocalizableError::Texts LocalizableError::lookUpTexts(const QString& typeIdentifier,
                                                      const QString& codeIdentifier,
                                                      const LocalizedStringTable& table) {
    const QString typeKey = QStringLiteral("Error_") + typeIdentifier;
    const QString caseKey = typeKey + u'_' + codeIdentifier;
    const auto caseText = table.getLocalizedStringOrNull(caseKey);
    const QString description = caseText.value_or(caseKey);
    if (auto recovery =
            table.getLocalizedStringOrNull(caseKey + QStringLiteral("_recoverySuggestion"))) {
        return {description, recovery};
    }
    if (auto typeText = table.getLocalizedStringOrNull(typeKey)) {
        // The type's text describes, the case's text suggests; a case without
        // a text suggests nothing rather than showing its key.
        return {*typeText, caseText};
    }
    return {description, std::nullopt};
}

LocalizableError::Texts LocalizableError::texts() const {
    Texts t = lookUpTexts(errorTypeIdentifier(), codeIdentifier(), table());
    if (const auto args = descriptionFormatArguments(); !args.isEmpty()) {
        t.description = platform::StringFormat::format(t.description, args);
    }
    if (const auto args = recoverySuggestionFormatArguments();
        t.recoverySuggestion && !args.isEmpty()) {
        t.recoverySuggestion = platform::StringFormat::format(*t.recoverySuggestion, args);
    }
    return t;
}

QString LocalizableError::localizedDescription() const {
    return texts().description;
}

std::optional<QString> LocalizableError::localizedRecoverySuggestion() const {
    return texts().recoverySuggestion;
}

platform::Error LocalizableError::deviceError(const QString& errorTypeIdentifier, qint64 code,
                                              const std::optional<QString>& codeDescription,
                                              const LocalizedStringTable& table) {
    QString domain;
    bool wordStart = true;
    for (const QChar c : errorTypeIdentifier) {
        domain += wordStart ? c.toUpper() : c.toLower();
        wordStart = c.isSpace();
    }
    domain += QStringLiteral("Error");
    const QString codePart = codeDescription.value_or(QString::number(code));
    const Texts t = lookUpTexts(errorTypeIdentifier, codePart, table);
    platform::Error::UserInfo info;
    info.localizedDescription = t.description;
    info.localizedRecoverySuggestion = t.recoverySuggestion;
    return platform::Error(domain, code, info);
}

} // namespace ambrel
