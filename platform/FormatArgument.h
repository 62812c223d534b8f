#pragma once

#include <QString>

#include <cstdint>
#include <variant>

namespace platform {

// One argument of a printf-style text: a text, a signed or unsigned integer or
// a floating-point number.
class FormatArgument {
public:
    using Value = std::variant<QString, std::int64_t, std::uint64_t, double>;

    FormatArgument(const QString& text) : m_value(text) {}
    FormatArgument(const char* text) : m_value(QString::fromUtf8(text)) {}
    FormatArgument(int v) : m_value(std::int64_t(v)) {}
    FormatArgument(long v) : m_value(std::int64_t(v)) {}
    FormatArgument(long long v) : m_value(std::int64_t(v)) {}
    FormatArgument(unsigned v) : m_value(std::uint64_t(v)) {}
    FormatArgument(unsigned long v) : m_value(std::uint64_t(v)) {}
    FormatArgument(unsigned long long v) : m_value(std::uint64_t(v)) {}
    FormatArgument(double v) : m_value(v) {}

    const Value& value() const { return m_value; }
    // The argument as "%@" shows it.
    QString description() const;
    bool operator==(const FormatArgument&) const = default;

private:
    Value m_value;
};

} // namespace platform
