#include "model/pictures/ImageRotation.h"

#include <numbers>

namespace ambrel {

std::optional<ImageRotation> ImageRotation::fromRawValue(qint64 rawValue) {
    if (rawValue < 0 || rawValue > 3) {
        return std::nullopt;
    }
    return ImageRotation(Case(rawValue));
}

double ImageRotation::radians() const {
    return rawValue() * std::numbers::pi / 2;
}

ImageRotation ImageRotation::decode(const JsonReader& reader) {
    const qint64 raw = reader.integer();
    if (auto rotation = fromRawValue(raw)) {
        return *rotation;
    }
    reader.fail(
        DecodingError::Case::dataCorrupted,
        QStringLiteral("Cannot initialize ImageRotation from invalid raw value %1").arg(raw));
}

} // namespace ambrel
