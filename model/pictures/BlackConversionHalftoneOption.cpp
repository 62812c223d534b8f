#include "model/pictures/BlackConversionHalftoneOption.h"

namespace ambrel {

BlackConversionHalftoneOption BlackConversionHalftoneOption::decode(const JsonReader& reader) {
    BlackConversionHalftoneOption o;
    o.linesPerInch = reader.key(QStringLiteral("linesPerInch")).number();
    o.angle_deg = reader.key(QStringLiteral("angle_deg")).number();
    o.brightnessFactor = reader.key(QStringLiteral("brightnessFactor")).number();
    o.blackClampFactor = reader.key(QStringLiteral("blackClampFactor")).number();
    o.whiteClampFactor = reader.key(QStringLiteral("whiteClampFactor")).number();
    return o;
}

QVariantMap BlackConversionHalftoneOption::encode() const {
    return {{QStringLiteral("linesPerInch"), linesPerInch},
            {QStringLiteral("angle_deg"), angle_deg},
            {QStringLiteral("brightnessFactor"), brightnessFactor},
            {QStringLiteral("blackClampFactor"), blackClampFactor},
            {QStringLiteral("whiteClampFactor"), whiteClampFactor}};
}

} // namespace ambrel
