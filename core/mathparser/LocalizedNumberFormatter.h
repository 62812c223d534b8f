#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace kestrom {

// Reads numbers written with a locale's symbols. Grouping separators are not
// accepted, because in an expression a comma may separate arguments.
class LocalizedNumberFormatter {
public:
    explicit LocalizedNumberFormatter(const QLocale& locale);

    // The value of the whole text, or none when it is not a number.
    std::optional<double> number(const QString& text) const;
    QString decimalSeparator() const { return m_locale.decimalPoint(); }
    const QLocale& locale() const { return m_locale; }

private:
    QLocale m_locale;
};

} // namespace kestrom
