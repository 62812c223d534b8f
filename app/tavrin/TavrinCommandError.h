#pragma once

#include "model/errors/LocalizableError.h"

namespace lunvik {

// A command argument that the device's fixed-width fields cannot carry. It is
// raised before anything is sent, so the device never sees a wrapped value.
class TavrinCommandError : public ambrel::LocalizableError {
public:
    enum class Case {
        densityOutOfRange,
        valueOutOfRange,
    };

    static const QString domain;

    TavrinCommandError(Case c, qint64 value, qint64 minimum, qint64 maximum);

    Case errorCase() const { return m_case; }
    qint64 value() const { return m_value; }

    QString errorTypeIdentifier() const override { return QStringLiteral("TavrinCommand"); }
    QString codeIdentifier() const override;
    QList<platform::FormatArgument> descriptionFormatArguments() const override;
    ambrel::LocalizedStringTable table() const override;

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    Case m_case;
    qint64 m_value;
    qint64 m_minimum;
    qint64 m_maximum;
};

} // namespace lunvik
