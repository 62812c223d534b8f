#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

namespace ambrel {

// Whether a model prints in black and white only or in full colour.
class ColorAbility {
public:
    enum class Case { blackWhite, fullColor };

    static const ColorAbility blackWhite;
    static const ColorAbility fullColor;

    constexpr ColorAbility(Case c = Case::blackWhite) : m_case(c) {}
    static QList<ColorAbility> allCases() { return {Case::blackWhite, Case::fullColor}; }
    // Exactly "blackWhite" or "fullColor"; anything else makes nothing.
    static std::optional<ColorAbility> fromRawValue(const QString& rawValue) {
        if (rawValue == QLatin1String("blackWhite")) {
            return blackWhite;
        }
        if (rawValue == QLatin1String("fullColor")) {
            return fullColor;
        }
        return std::nullopt;
    }

    constexpr operator Case() const { return m_case; }
    QString rawValue() const {
        return m_case == Case::fullColor ? QStringLiteral("fullColor")
                                         : QStringLiteral("blackWhite");
    }

    constexpr bool operator==(const ColorAbility&) const = default;
    friend size_t qHash(ColorAbility c, size_t seed = 0) { return ::qHash(int(c.m_case), seed); }

private:
    Case m_case;
};

inline constexpr ColorAbility ColorAbility::blackWhite{Case::blackWhite};
inline constexpr ColorAbility ColorAbility::fullColor{Case::fullColor};

} // namespace ambrel
