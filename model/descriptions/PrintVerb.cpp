#include "model/descriptions/PrintVerb.h"

namespace ambrel {

const QStringList& PrintVerb::rawValues() {
    static const QStringList values{QStringLiteral("print"), QStringLiteral("lunvik")};
    return values;
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
