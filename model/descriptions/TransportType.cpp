#include "model/descriptions/TransportType.h"

#include "model/texts/LocalizedStringTable.h"

namespace ambrel {

const QStringList& TransportType::rawValues() {
    static const QStringList values{QStringLiteral("usb"), QStringLiteral("wifi")};
    return values;
}

QString TransportType::description() const {
    return LocalizedStringTable::ambrel()
        .getLocalizedStringOrNull(localizationKey())
        .value_or(rawValue());
}

} // namespace ambrel
