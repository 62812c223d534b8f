#pragma once

#include "model/texts/RawValueEnum.h"

namespace ambrel {

// Whether a model prints in black and white only or in full colour.
class ColorAbility : public RawValueEnum<ColorAbility> {
public:
    enum class Case { blackWhite, fullColor };

    static const ColorAbility blackWhite;
    static const ColorAbility fullColor;

    constexpr ColorAbility(Case c = Case::blackWhite) : m_case(c) {}
    static const QStringList& rawValues() {
        static const QStringList values{QStringLiteral("blackWhite"), QStringLiteral("fullColor")};
        return values;
    }

    constexpr operator Case() const { return m_case; }
    constexpr Case value() const { return m_case; }

    constexpr bool operator==(const ColorAbility&) const = default;

private:
    Case m_case;
};

inline constexpr ColorAbility ColorAbility::blackWhite{Case::blackWhite};
inline constexpr ColorAbility ColorAbility::fullColor{Case::fullColor};

} // namespace ambrel
