#pragma once

#include "model/texts/RawValueEnum.h"

namespace ambrel {

// How gray becomes black, without its settings. Saved by its string form.
class BlackConversionType : public RawValueEnum<BlackConversionType> {
public:
    enum class Case { threshold, halftone };

    static const BlackConversionType threshold;
    static const BlackConversionType halftone;

    constexpr BlackConversionType(Case c = Case::threshold) : m_case(c) {}
    static const QStringList& rawValues() {
        static const QStringList values{QStringLiteral("threshold"), QStringLiteral("halftone")};
        return values;
    }

    constexpr operator Case() const { return m_case; }
    constexpr Case value() const { return m_case; }

    constexpr bool operator==(const BlackConversionType&) const = default;

private:
    Case m_case;
};

inline constexpr BlackConversionType BlackConversionType::threshold{Case::threshold};
inline constexpr BlackConversionType BlackConversionType::halftone{Case::halftone};

} // namespace ambrel
