#pragma once

#include "model/errors/LocalizableError.h"

namespace ambrel {

// The device model's own failures, thrown by connections and the print run.
// As an error object its code is the case's position in Case (0 to 10).
class ConnectionError : public LocalizableError {
public:
    enum class Case {
        headIsTooHighTemperature,
        incorrectDeviceModel,
        noDeviceModelInDocument,
        noImageInDocument,
        documentImageIsTooSmall,
        documentImageIsNotInCanvas,
        couldNotGetPrinterStatus,
        receivedInvalidData,
        printerIsBusy,
        userCancelled,
        scriptingPrintIsNotAllowedByUser,
    };

    static const QString domain;

    explicit ConnectionError(Case c);
    static ConnectionError headIsTooHighTemperature(qint64 preferredTemperature, qint64 current);

    Case errorCase() const { return m_case; }
    qint64 preferredTemperature() const { return m_preferredTemperature; }
    qint64 currentTemperature() const { return m_current; }

    static QString caseName(Case c);

    QString errorTypeIdentifier() const override { return QStringLiteral("connection"); }
    QString codeIdentifier() const override { return caseName(m_case); }
    QList<platform::FormatArgument> descriptionFormatArguments() const override;
    QList<platform::FormatArgument> recoverySuggestionFormatArguments() const override;
    LocalizedStringTable table() const override { return sharedTable(); }

    // The table of every ConnectionError: this library's own unless replaced,
    // which only tests do, before any error is described.
    static LocalizedStringTable sharedTable();
    static void setSharedTable(const LocalizedStringTable& table);

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

    bool operator==(const ConnectionError& other) const {
        return m_case == other.m_case && m_preferredTemperature == other.m_preferredTemperature &&
               m_current == other.m_current;
    }

    // True for a ConnectionError of the given case.
    static bool is(const platform::Error& error, Case c);

private:
    Case m_case;
    qint64 m_preferredTemperature = 0;
    qint64 m_current = 0;
};

} // namespace ambrel
