#include "model/descriptions/DeviceOverrideSerializedInfo.h"

#include "model/descriptions/CustomDecodedParameterSerializedInfos.h"
#include "model/descriptions/DeviceSerializedInfoDecoding.h"

namespace ambrel {

namespace decoding = DeviceSerializedInfoDecoding;

DeviceOverrideSerializedInfo DeviceOverrideSerializedInfo::decode(const JsonReader& r) {
    DeviceOverrideSerializedInfo o;
    o.modelName = r.key(QStringLiteral("modelName")).string();
    o.baseModelName = r.key(QStringLiteral("baseModelName")).string();
    o.isDisabled = r.optionalBoolean(QStringLiteral("isDisabled"));
    o.displayName = r.optionalString(QStringLiteral("displayName"));
    o.printerType = r.optionalString(QStringLiteral("printerType"));
    if (auto v = r.optionalKey(QStringLiteral("canvases"))) {
        o.canvases = decoding::canvases(*v);
    }
    if (auto v = r.optionalKey(QStringLiteral("transportTypes"))) {
        o.transportTypes = decoding::strings(*v);
    }
    o.colorAbility = r.optionalString(QStringLiteral("colorAbility"));
    if (auto v = r.optionalKey(QStringLiteral("offsetBases"))) {
        o.offsetBases = decoding::strings(*v);
    }
    if (auto v = r.optionalKey(QStringLiteral("additionalInfos"))) {
        o.additionalInfos = DeviceAdditionalInfoDictionary::decode(*v);
    }
    o.parameterProperties =
        CustomDecodedParameterSerializedInfos::decodeField(r, QStringLiteral("parameterProperties"))
            .wrappedValue;
    if (auto v = r.optionalKey(QStringLiteral("maintenanceActions"))) {
        o.maintenanceActions = decoding::maintenanceActions(*v);
    }
    return o;
}

} // namespace ambrel
