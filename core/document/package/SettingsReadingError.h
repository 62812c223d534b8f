#pragma once

#include "model/errors/LocalizableError.h"

namespace kestrom {

// Why the settings of a saved document were refused: the document needs a
// newer application, or names a model no plug-in serves. Texts come from the
// framework table under "Error_settingsReading_<case>".
class SettingsReadingError : public ambrel::LocalizableError {
public:
    enum class Case { documentWasMadeOnHigherVersionApp, deviceIsNotSupported };

    static const QString domain;

    static SettingsReadingError documentWasMadeOnHigherVersionApp(const QString& minimumVersion,
                                                                  const QString& appVersion);
    static SettingsReadingError deviceIsNotSupported(const QString& appName,
                                                     const QString& appVersion,
                                                     const QString& modelName);

    Case errorCase() const { return m_case; }
    // The case's texts in their order (see the factories), whole; the
    // messages shorten long ones.
    const QStringList& payload() const { return m_payload; }

    QString errorTypeIdentifier() const override { return QStringLiteral("settingsReading"); }
    QString codeIdentifier() const override;
    QList<platform::FormatArgument> descriptionFormatArguments() const override;
    QList<platform::FormatArgument> recoverySuggestionFormatArguments() const override;
    ambrel::LocalizedStringTable table() const override;

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    SettingsReadingError(Case c, QStringList payload);

    Case m_case;
    QStringList m_payload;
};

} // namespace kestrom
