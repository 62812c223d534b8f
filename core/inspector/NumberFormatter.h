#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace kestrom {

// Turns numbers into the texts of a numeric field and back, in the user's
// locale: bounds, fraction digits and the locale's separators. Reading
// accepts the locale's group separator (and, where that is a space, any
// space a keyboard gives), so "1 000,5" reads as 1000.5 in French.
class NumberFormatter {
public:
    explicit NumberFormatter(const QLocale& locale = QLocale());

    const QLocale& locale() const { return m_locale; }
    void setLocale(const QLocale& locale) { m_locale = locale; }

    const std::optional<double>& minimum() const { return m_minimum; }
    void setMinimum(std::optional<double> minimum) { m_minimum = minimum; }
    const std::optional<double>& maximum() const { return m_maximum; }
    void setMaximum(std::optional<double> maximum) { m_maximum = maximum; }

    int minimumFractionDigits() const { return m_minimumFractionDigits; }
    void setMinimumFractionDigits(int digits);
    int maximumFractionDigits() const { return m_maximumFractionDigits; }
    void setMaximumFractionDigits(int digits);
    int minimumIntegerDigits() const { return m_minimumIntegerDigits; }
    void setMinimumIntegerDigits(int digits) { m_minimumIntegerDigits = qMax(0, digits); }
    bool usesGroupingSeparator() const { return m_usesGroupingSeparator; }
    void setUsesGroupingSeparator(bool uses) { m_usesGroupingSeparator = uses; }

    // The value held inside the bounds; the minimum wins when they cross.
    double clamp(double value) const;

    // The text of a finite number, rounded to the fraction digits; nothing
    // for infinities and NaN.
    std::optional<QString> string(double value) const;
    // The whole text as a finite number of the locale, or nothing. Bounds
    // are not applied here.
    std::optional<double> number(const QString& text) const;

private:
    QLocale m_locale;
    std::optional<double> m_minimum;
    std::optional<double> m_maximum;
    int m_minimumFractionDigits = 0;
    int m_maximumFractionDigits = 3;
    int m_minimumIntegerDigits = 1;
    bool m_usesGroupingSeparator = false;
};

} // namespace kestrom
