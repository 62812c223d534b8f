#include "model/descriptions/PrintVerb.h"

namespace ambrel {

std::optional<PrintVerb> PrintVerb::fromRawValue(const QString& rawValue) {
    if (rawValue == QLatin1String("print")) {
        return print;
    }
    if (rawValue == QLatin1String("lunvik")) {
        return lunvik;
    }
    return std::nullopt;
}

QString PrintVerb::rawValue() const {
    return m_case == Case::lunvik ? QStringLiteral("lunvik") : QStringLiteral("print");
}

PrintVerb PrintVerb::decode(const JsonReader& reader) {
    const QString raw = reader.string();
    if (auto verb = fromRawValue(raw)) {
        return *verb;
    }
    reader.fail(
        DecodingError::Case::dataCorrupted,
        QStringLiteral("Cannot initialize PrintVerb from invalid raw value \"%1\"").arg(raw));
}

} // namespace ambrel
