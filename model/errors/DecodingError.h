#pragma once

#include "model/errors/LocalizableError.h"

#include <QStringList>

namespace ambrel {

// Data that could not be decoded: a description text, a saved dictionary or
// an encoded value. It names where in the data the problem is (the coding
// path, keys and array positions from the top) and what was wrong with it.
class DecodingError : public LocalizableError {
public:
    enum class Case {
        typeMismatch,  // a value of another type than expected
        valueNotFound, // a value that must be present is null
        keyNotFound,   // a required key is absent
        dataCorrupted, // not JSON at all, or a value outside what the type accepts
    };

    static const QString domain;

    DecodingError(Case c, QStringList codingPath, QString debugDescription);

    Case errorCase() const { return m_case; }
    const QStringList& codingPath() const { return m_codingPath; }
    // What was wrong, for developers (diagnostic lines, test failures).
    const QString& debugDescription() const { return m_debugDescription; }
    // The coding path written as "canvases[0].size_mm.width".
    QString codingPathText() const;

    static QString caseName(Case c);

    QString errorTypeIdentifier() const override { return QStringLiteral("decoding"); }
    QString codeIdentifier() const override { return caseName(m_case); }
    QList<platform::FormatArgument> descriptionFormatArguments() const override;
    LocalizedStringTable table() const override { return LocalizedStringTable::ambrel(); }

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    Case m_case;
    QStringList m_codingPath;
    QString m_debugDescription;
};

} // namespace ambrel
