#pragma once

#include "model/texts/RawValueEnum.h"

namespace ambrel {

// How a device is reached.
class TransportType : public RawValueEnum<TransportType> {
public:
    enum class Case { usb, wifi };

    static const TransportType usb;
    static const TransportType wifi;

    constexpr TransportType(Case c = Case::usb) : m_case(c) {}
    // "usb" and "wifi".
    static const QStringList& rawValues();

    constexpr operator Case() const { return m_case; }
    constexpr Case value() const { return m_case; }
    // "TransportType_<raw value>" in this library's table, else the raw value.
    QString localizationKey() const { return QStringLiteral("TransportType_") + rawValue(); }
    QString description() const;

    constexpr bool operator==(const TransportType&) const = default;

private:
    Case m_case;
};

inline constexpr TransportType TransportType::usb{Case::usb};
inline constexpr TransportType TransportType::wifi{Case::wifi};

} // namespace ambrel
