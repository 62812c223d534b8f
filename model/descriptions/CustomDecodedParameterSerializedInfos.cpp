#include "model/descriptions/CustomDecodedParameterSerializedInfos.h"

namespace ambrel {

CustomDecodedParameterSerializedInfos
CustomDecodedParameterSerializedInfos::decode(const JsonReader& reader) {
    CustomDecodedParameterSerializedInfos list;
    for (const JsonReader& element : reader.array()) {
        element.object(); // every element must be an object
        QString type = QStringLiteral("unknown");
        try {
            type = element.key(QStringLiteral("type")).string();
        } catch (const DecodingError&) {
        }
        if (type == QLatin1String("bool")) {
            list.wrappedValue.append({BoolParameter::SerializedInfo::decode(element)});
        } else if (type == QLatin1String("number")) {
            list.wrappedValue.append({NumberParameter::SerializedInfo::decode(element)});
        } else if (type == QLatin1String("pick")) {
            list.wrappedValue.append({PickParameter::SerializedInfo::decode(element)});
        } else {
            throw Error(type);
        }
    }
    return list;
}

CustomDecodedParameterSerializedInfos
CustomDecodedParameterSerializedInfos::decodeField(const JsonReader& entry, const QString& key) {
    try {
        if (!entry.contains(key)) {
            return {};
        }
        return decode(entry.key(key));
    } catch (const platform::Error&) {
        return {};
    }
}

} // namespace ambrel
