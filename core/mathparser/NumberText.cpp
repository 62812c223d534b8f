#include "core/mathparser/NumberText.h"

#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace kestrom {

namespace {

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

} // namespace

double NumberText::readDecimal(const QString& text) {
    if (const auto value = readWholeText(text)) {
        return *value;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::optional<double> NumberText::readWholeText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    // The C conversion would skip leading white space; a number text has none.
    if (bytes.isEmpty() || std::isspace(static_cast<unsigned char>(bytes.front()))) {
        return std::nullopt;
    }
    const char* begin = bytes.constData();
    char* end = nullptr;
    const double value = strtod_l(begin, &end, cLocale());
    if (end == begin || end != begin + bytes.size()) {
        return std::nullopt;
    }
    return value;
}

QString NumberText::describe(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string scientific(buffer, result.ptr);
    // scientific is "[-]d[.ddd]e±XX": split it into sign, digits and exponent.
    const bool negative = scientific.front() == '-';
    const size_t ePosition = scientific.find('e');
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < ePosition; ++i) {
        if (scientific[i] != '.') {
            digits += scientific[i];
        }
    }
    const int exponent = std::atoi(scientific.c_str() + ePosition + 1);
    std::string text = negative ? "-" : "";
    if (exponent >= 16 || exponent < -4) {
        text += digits.substr(0, 1);
        if (digits.size() > 1) {
            text += '.' + digits.substr(1);
        }
        char exponentText[16];
        std::snprintf(exponentText, sizeof exponentText, "e%c%02d", exponent < 0 ? '-' : '+',
                      std::abs(exponent));
        text += exponentText;
    } else if (exponent < 0) {
        text += "0." + std::string(size_t(-exponent - 1), '0') + digits;
    } else {
        const size_t integerCount = size_t(exponent) + 1;
        if (digits.size() <= integerCount) {
            text += digits + std::string(integerCount - digits.size(), '0') + ".0";
        } else {
            text += digits.substr(0, integerCount) + '.' + digits.substr(integerCount);
        }
    }
    return QString::fromLatin1(text.c_str());
}

} // namespace kestrom
