#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace ambrel {

// How a device is reached.
class TransportType {
public:
    enum class Case { usb, wifi };

    static const TransportType usb;
    static const TransportType wifi;

    constexpr TransportType(Case c = Case::usb) : m_case(c) {}
    // Exactly "usb" or "wifi"; anything else makes nothing.
    static std::optional<TransportType> fromRawValue(const QString& rawValue);

    constexpr operator Case() const { return m_case; }
    QString rawValue() const;
    // "TransportType_<raw value>" in this library's table, else the raw value.
    QString localizationKey() const { return QStringLiteral("TransportType_") + rawValue(); }
    QString description() const;

    constexpr bool operator==(const TransportType&) const = default;
    friend size_t qHash(TransportType t, size_t seed = 0) { return ::qHash(int(t.m_case), seed); }

private:
    Case m_case;
};

inline constexpr TransportType TransportType::usb{Case::usb};
inline constexpr TransportType TransportType::wifi{Case::wifi};

} // namespace ambrel
