#pragma once

#include "model/errors/LocalizableError.h"

#include <memory>

namespace lunvik {

// A job that stopped after some of its columns had reached the device: the
// device has begun imaging the screen, so the screen is partly exposed. It
// tells how far the job got and carries the failure that stopped it.
class TavrinJobInterruptedError : public ambrel::LocalizableError {
public:
    static const QString domain;

    TavrinJobInterruptedError(qint64 columnsSent, qint64 columnCount, const platform::Error& cause);

    qint64 columnsSent() const { return m_columnsSent; }
    qint64 columnCount() const { return m_columnCount; }
    const platform::Error& cause() const { return *m_cause; }

    QString errorTypeIdentifier() const override { return QStringLiteral("TavrinJob"); }
    QString codeIdentifier() const override { return QStringLiteral("interrupted"); }
    QList<platform::FormatArgument> descriptionFormatArguments() const override;
    ambrel::LocalizedStringTable table() const override;

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    qint64 m_columnsSent;
    qint64 m_columnCount;
    std::shared_ptr<const platform::Error> m_cause;
};

} // namespace lunvik
