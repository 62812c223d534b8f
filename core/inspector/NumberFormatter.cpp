#include "core/inspector/NumberFormatter.h"

#include <cmath>

namespace kestrom {

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F) || c == QChar(0x2009);
}

} // namespace

NumberFormatter::NumberFormatter(const QLocale& locale) : m_locale(locale) {}

void NumberFormatter::setMinimumFractionDigits(int digits) {
    m_minimumFractionDigits = qBound(0, digits, 15);
    m_maximumFractionDigits = qMax(m_maximumFractionDigits, m_minimumFractionDigits);
}

void NumberFormatter::setMaximumFractionDigits(int digits) {
    m_maximumFractionDigits = qBound(0, digits, 15);
    m_minimumFractionDigits = qMin(m_minimumFractionDigits, m_maximumFractionDigits);
}

double NumberFormatter::clamp(double value) const {
    if (m_minimum && value < *m_minimum) {
        return *m_minimum;
    }
    if (m_maximum && value > *m_maximum) {
        return *m_maximum;
    }
    return value;
}

std::optional<QString> NumberFormatter::string(double value) const {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    QLocale locale = m_locale;
    locale.setNumberOptions(m_usesGroupingSeparator ? QLocale::DefaultNumberOptions
                                                    : QLocale::OmitGroupSeparator);
    QString text = locale.toString(value, 'f', m_maximumFractionDigits);
    const QString point = locale.decimalPoint();
    const qsizetype pointAt = text.indexOf(point);
    if (pointAt >= 0) {
        // Drop trailing zeros down to the minimum fraction digits.
        qsizetype end = text.size();
        const qsizetype keep = pointAt + point.size() + m_minimumFractionDigits;
        while (end > keep && text.at(end - 1) == locale.zeroDigit().front()) {
            --end;
        }
        if (end == pointAt + point.size()) {
            end = pointAt;
        }
        text.truncate(end);
    }
    // "-0" after rounding a tiny negative value reads as an error to people.
    const QString negativeZero = locale.negativeSign() + locale.zeroDigit();
    if (text == negativeZero) {
        text = locale.zeroDigit();
    }
    if (m_minimumIntegerDigits != 1) {
        const bool negative = text.startsWith(locale.negativeSign());
        const qsizetype signWidth = negative ? locale.negativeSign().size() : 0;
        qsizetype integerEnd = text.indexOf(point);
        if (integerEnd < 0) {
            integerEnd = text.size();
        }
        qsizetype integerDigits = integerEnd - signWidth;
        if (m_minimumIntegerDigits == 0 &&
            text.mid(signWidth, integerDigits) == locale.zeroDigit() && integerEnd < text.size()) {
            text.remove(signWidth, integerDigits);
        }
        while (integerDigits < m_minimumIntegerDigits) {
            text.insert(signWidth, locale.zeroDigit());
            ++integerDigits;
        }
    }
    return text;
}

std::optional<double> NumberFormatter::number(const QString& text) const {
    QString normalized = text.trimmed();
    if (normalized.isEmpty()) {
        return std::nullopt;
    }
    const QString group = m_locale.groupSeparator();
    if (group.size() == 1 && isSpace(group.front())) {
        for (QChar& c : normalized) {
            if (isSpace(c)) {
                c = group.front();
            }
        }
    }
    // An ASCII minus typed where the locale prefers another sign.
    if (normalized.startsWith(u'-') && m_locale.negativeSign() != QStringLiteral("-")) {
        normalized.replace(0, 1, m_locale.negativeSign());
    }
    bool ok = false;
    const double value = m_locale.toDouble(normalized, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace kestrom
