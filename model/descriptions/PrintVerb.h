#pragma once

#include "model/descriptions/JsonReader.h"

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace ambrel {

// The wording a model uses for its print commands.
class PrintVerb {
public:
    enum class Case { print, lunvik };

    static const PrintVerb print;
    static const PrintVerb lunvik;

    constexpr PrintVerb(Case c = Case::print) : m_case(c) {}
    // Exactly "print" or "lunvik"; anything else makes nothing.
    static std::optional<PrintVerb> fromRawValue(const QString& rawValue);

    constexpr operator Case() const { return m_case; }
    QString rawValue() const;

    // Decoded from its raw value; other strings fail with dataCorrupted.
    static PrintVerb decode(const JsonReader& reader);

    constexpr bool operator==(const PrintVerb&) const = default;
    friend size_t qHash(PrintVerb v, size_t seed = 0) { return ::qHash(int(v.m_case), seed); }

private:
    Case m_case;
};

inline constexpr PrintVerb PrintVerb::print{Case::print};
inline constexpr PrintVerb PrintVerb::lunvik{Case::lunvik};

} // namespace ambrel
