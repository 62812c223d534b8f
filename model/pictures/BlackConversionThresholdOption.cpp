#include "model/pictures/BlackConversionThresholdOption.h"

namespace ambrel {

BlackConversionThresholdOption BlackConversionThresholdOption::decode(const JsonReader& reader) {
    BlackConversionThresholdOption o;
    o.threshold = reader.key(QStringLiteral("threshold")).number();
    o.expansionLevel = reader.key(QStringLiteral("expansionLevel")).integer();
    return o;
}

QVariantMap BlackConversionThresholdOption::encode() const {
    return {{QStringLiteral("threshold"), threshold},
            {QStringLiteral("expansionLevel"), expansionLevel}};
}

} // namespace ambrel
