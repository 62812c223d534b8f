#pragma once

#include "model/descriptions/CustomDecodedParameterSerializedInfosError.h"
#include "model/descriptions/DeviceSettingParameterSerializedInfo.h"

namespace ambrel {

// The setting entries of a description, in order. Each entry's "type"
// ("number", "bool" or "pick", exactly) chooses its kind.
struct CustomDecodedParameterSerializedInfos {
    using Error = CustomDecodedParameterSerializedInfosError;

    QList<DeviceSettingParameterSerializedInfo> wrappedValue;

    // Fails as a whole on the first entry that is not an object, has an
    // unknown or missing type (Error) or does not decode (DecodingError).
    static CustomDecodedParameterSerializedInfos decode(const JsonReader& reader);
    // The list under the key of a description entry; never fails: an absent
    // key or a list that does not decode gives an empty list.
    static CustomDecodedParameterSerializedInfos decodeField(const JsonReader& entry,
                                                             const QString& key);
};

} // namespace ambrel
