#pragma once

#include "model/texts/LocalizedStringTable.h"
#include "platform/Error.h"

#include <optional>

namespace ambrel {

// An error whose texts come from a string table under keys built from its type
// and case: "Error_<type>_<case>" and "Error_<type>_<case>_recoverySuggestion".
// The texts are looked up at each request.
class LocalizableError : public platform::Error {
public:
    struct Texts {
        QString description;
        std::optional<QString> recoverySuggestion;
    };

    LocalizableError(QString domain, qint64 code);

    virtual QString errorTypeIdentifier() const = 0;
    virtual QString codeIdentifier() const = 0;
    virtual QList<platform::FormatArgument> descriptionFormatArguments() const { return {}; }
    virtual QList<platform::FormatArgument> recoverySuggestionFormatArguments() const { return {}; }
    virtual LocalizedStringTable table() const = 0;

    QString localizedDescription() const override;
    std::optional<QString> localizedRecoverySuggestion() const override;

    // The three-step look-up shared by every localizable error.
    static Texts lookUpTexts(const QString& typeIdentifier, const QString& codeIdentifier,
                             const LocalizedStringTable& table);

    // A plain error for a numeric device error code, with the texts of
    // "Error_<type>_<code or description>" in the given table. The domain is
    // the capitalized type followed by "Error".
    static platform::Error deviceError(const QString& errorTypeIdentifier, qint64 code,
                                       const std::optional<QString>& codeDescription,
                                       const LocalizedStringTable& table);

private:
    Texts texts() const;
};

} // namespace ambrel
