#include "platform/StringFormat.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace platform {

namespace {

struct Spec {
    QString flags;
    int width = -1;
    int precision = -1;
    QChar conversion;
};

bool isFlag(QChar c) {
    return c == u'-' || c == u'+' || c == u' ' || c == u'0' || c == u'#';
}

bool isLengthModifier(QChar c) {
    return c == u'h' || c == u'l' || c == u'q' || c == u'z' || c == u'j' || c == u't' || c == u'L';
}

bool isConversion(QChar c) {
    static const QString all = QStringLiteral("@sdiuxXofFeEgGcp");
    return all.contains(c);
}

QByteArray cFormat(const Spec& s, const char* conversion) {
    QByteArray f = "%" + s.flags.toLatin1();
    if (s.width >= 0) {
        f += QByteArray::number(s.width);
    }
    if (s.precision >= 0) {
        f += "." + QByteArray::number(s.precision);
    }
    return f + conversion;
}

template <typename T> QString printC(const QByteArray& fmt, T value) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, fmt.constData(), value);
    if (n < 0) {
        return {};
    }
    if (size_t(n) < sizeof buffer) {
        return QString::fromUtf8(buffer, n);
    }
    QByteArray big(n + 1, Qt::Uninitialized);
    std::snprintf(big.data(), size_t(big.size()), fmt.constData(), value);
    return QString::fromUtf8(big.constData(), n);
}

QString pad(const Spec& s, QString text) {
    if (s.width > text.size()) {
        const QString fill(s.width - text.size(), QLatin1Char(' '));
        text = s.flags.contains(u'-') ? text + fill : fill + text;
    }
    return text;
}

// Keeps width and precision within what snprintf can handle quickly.
void clampSpec(Spec& s) {
    s.width = std::min(s.width, 256);
    s.precision = std::min(s.precision, 64);
}

std::optional<std::int64_t> asSigned(const FormatArgument::Value& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) {
        return *i;
    }
    if (auto u = std::get_if<std::uint64_t>(&v)) {
        return std::int64_t(*u);
    }
    if (auto d = std::get_if<double>(&v)) {
        if (std::isfinite(*d) && std::abs(*d) < 9.2e18) {
            return std::int64_t(*d);
        }
    }
    return std::nullopt;
}

std::optional<double> asDouble(const FormatArgument::Value& v) {
    if (auto d = std::get_if<double>(&v)) {
        return *d;
    }
    if (auto i = std::get_if<std::int64_t>(&v)) {
        return double(*i);
    }
    if (auto u = std::get_if<std::uint64_t>(&v)) {
        return double(*u);
    }
    return std::nullopt;
}

QString render(Spec s, const FormatArgument& argument) {
    clampSpec(s);
    const auto& v = argument.value();
    const char c = char(s.conversion.toLatin1());
    switch (c) {
    case '@':
    case 's': {
        QString text = argument.description();
        if (s.precision >= 0 && c == 's') {
            text.truncate(s.precision);
        }
        return pad(s, text);
    }
    case 'd':
    case 'i':
        if (auto i = asSigned(v)) {
            return printC(cFormat(s, "lld"), static_cast<long long>(*i));
        }
        break;
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
        if (auto i = asSigned(v)) {
            const char conv[] = {'l', 'l', c, 0};
            return printC(cFormat(s, conv), static_cast<unsigned long long>(*i));
        }
        break;
    }
    case 'c':
        if (auto i = asSigned(v); i && *i > 0 && *i <= 0x10FFFF) {
            const char32_t character = char32_t(*i);
            return pad(s, QString::fromUcs4(&character, 1));
        }
        break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
        if (auto d = asDouble(v)) {
            const char conv[] = {c, 0};
            return printC(cFormat(s, conv), *d);
        }
        break;
    default:
        break;
    }
    // The argument does not fit the specifier: show it as text.
    return pad(s, argument.description());
}

} // namespace

QString StringFormat::format(const QString& format, const QList<FormatArgument>& arguments) {
    QString out;
    out.reserve(format.size() + 16);
    qsizetype nextArgument = 0;
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar ch = format[i];
        if (ch != u'%') {
            out += ch;
            ++i;
            continue;
        }
        const qsizetype start = i++;
        if (i < n && format[i] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // Position "N$".
        std::optional<qsizetype> position;
        {
            qsizetype j = i;
            qsizetype number = 0;
            while (j < n && format[j].isDigit() && number < 100000) {
                number = number * 10 + format[j].digitValue();
                ++j;
            }
            if (j > i && j < n && format[j] == u'$' && number > 0) {
                position = number - 1;
                i = j + 1;
            }
        }
        Spec spec;
        while (i < n && isFlag(format[i])) {
            if (!spec.flags.contains(format[i])) {
                spec.flags += format[i];
            }
            ++i;
        }
        if (i < n && format[i].isDigit()) {
            spec.width = 0;
            while (i < n && format[i].isDigit()) {
                spec.width = std::min(spec.width * 10 + format[i].digitValue(), 100000);
                ++i;
            }
        }
        if (i < n && format[i] == u'.') {
            ++i;
            spec.precision = 0;
            while (i < n && format[i].isDigit()) {
                spec.precision = std::min(spec.precision * 10 + format[i].digitValue(), 100000);
                ++i;
            }
        }
        while (i < n && isLengthModifier(format[i])) {
            ++i;
        }
        if (i >= n || !isConversion(format[i])) {
            // Not a specifier we understand: keep the text as written.
            out += format.mid(start, i - start);
            continue;
        }
        spec.conversion = format[i++];
        const qsizetype index = position ? *position : nextArgument++;
        if (index < 0 || index >= arguments.size()) {
            out += format.mid(start, i - start);
            continue;
        }
        out += render(spec, arguments[index]);
    }
    return out;
}

} // namespace platform
