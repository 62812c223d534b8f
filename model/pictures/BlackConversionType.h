#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

namespace ambrel {

// How gray becomes black, without its settings. Saved by its string form.
class BlackConversionType {
public:
    enum class Case { threshold, halftone };

    static const BlackConversionType threshold;
    static const BlackConversionType halftone;

    constexpr BlackConversionType(Case c = Case::threshold) : m_case(c) {}
    static QList<BlackConversionType> allCases() { return {Case::threshold, Case::halftone}; }
    // Exactly "threshold" or "halftone"; anything else makes nothing.
    static std::optional<BlackConversionType> fromRawValue(const QString& rawValue) {
        if (rawValue == QLatin1String("threshold")) {
            return threshold;
        }
        if (rawValue == QLatin1String("halftone")) {
            return halftone;
        }
        return std::nullopt;
    }

    constexpr operator Case() const { return m_case; }
    QString rawValue() const {
        return m_case == Case::halftone ? QStringLiteral("halftone") : QStringLiteral("threshold");
    }

    constexpr bool operator==(const BlackConversionType&) const = default;
    friend size_t qHash(BlackConversionType t, size_t seed = 0) {
        return ::qHash(int(t.m_case), seed);
    }

private:
    Case m_case;
};

inline constexpr BlackConversionType BlackConversionType::threshold{Case::threshold};
inline constexpr BlackConversionType BlackConversionType::halftone{Case::halftone};

} // namespace ambrel
