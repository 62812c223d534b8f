#include "model/texts/DecimalText.h"

#include <charconv>
#include <cmath>

namespace ambrel {

QString DecimalText::shortest(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    }
    // Plain digits for ordinary magnitudes, an exponent for very small and
    // very large ones, so the text never grows to hundreds of digits.
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16);
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value,
                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (plain && !text.contains(QLatin1Char('.'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

QString DecimalText::compact(double value) {
    QString text = shortest(value);
    if (text.endsWith(QStringLiteral(".0"))) {
        text.chop(2);
    }
    return text;
}

} // namespace ambrel
