#include "model/descriptions/TransportType.h"

#include "model/texts/LocalizedStringTable.h"

namespace ambrel {

std::optional<TransportType> TransportType::fromRawValue(const QString& rawValue) {
    if (rawValue == QLatin1String("usb")) {
        return usb;
    }
    if (rawValue == QLatin1String("wifi")) {
        return wifi;
    }
    return std::nullopt;
}

QString TransportType::rawValue() const {
    return m_case == Case::wifi ? QStringLiteral("wifi") : QStringLiteral("usb");
}

QString TransportType::description() const {
    return LocalizedStringTable::ambrel()
        .getLocalizedStringOrNull(localizationKey())
        .value_or(rawValue());
}

} // namespace ambrel
