#include "model/descriptions/DeviceBaseSerializedInfo.h"

#include "model/descriptions/CustomDecodedParameterSerializedInfos.h"
#include "model/descriptions/DeviceSerializedInfoDecoding.h"

namespace ambrel {

namespace decoding = DeviceSerializedInfoDecoding;

namespace {

// The base's list with each of the override's entries replacing the entry of
// the same identifier in place, or appended when there is none.
template <typename Entry, typename IdentifierOf>
QList<Entry> mergedByIdentifier(QList<Entry> base, const QList<Entry>& override,
                                IdentifierOf identifierOf) {
    for (const Entry& entry : override) {
        const auto it = std::find_if(base.begin(), base.end(), [&](const Entry& e) {
            return identifierOf(e) == identifierOf(entry);
        });
        if (it != base.end()) {
            *it = entry;
        } else {
            base.append(entry);
        }
    }
    return base;
}

} // namespace

DeviceBaseSerializedInfo DeviceBaseSerializedInfo::decode(const JsonReader& r) {
    DeviceBaseSerializedInfo b;
    b.isDisabled = r.optionalBoolean(QStringLiteral("isDisabled"));
    b.modelName = r.key(QStringLiteral("modelName")).string();
    b.displayName = r.optionalString(QStringLiteral("displayName"));
    b.printerType = r.key(QStringLiteral("printerType")).string();
    if (auto v = r.optionalKey(QStringLiteral("printVerb"))) {
        b.printVerb = PrintVerb::decode(*v);
    }
    b.canvases = decoding::canvases(r.key(QStringLiteral("canvases")));
    if (auto v = r.optionalKey(QStringLiteral("transportTypes"))) {
        b.transportTypes = decoding::strings(*v);
    }
    b.colorAbility = r.optionalString(QStringLiteral("colorAbility"));
    b.headDotCount = r.optionalInteger(QStringLiteral("headDotCount"));
    b.dpi = Dpi::decode(r.key(QStringLiteral("dpi")));
    b.hidesDpi = r.optionalBoolean(QStringLiteral("hidesDpi"));
    b.offsetBases = decoding::strings(r.key(QStringLiteral("offsetBases")));
    b.completionAlertVideoName = r.optionalString(QStringLiteral("completionAlertVideoName"));
    b.parameterProperties =
        CustomDecodedParameterSerializedInfos::decodeField(r, QStringLiteral("parameterProperties"))
            .wrappedValue;
    if (auto v = r.optionalKey(QStringLiteral("maintenanceActions"))) {
        b.maintenanceActions = decoding::maintenanceActions(*v);
    }
    b.showsMaintenanceButton = r.optionalBoolean(QStringLiteral("showsMaintenanceButton"));
    if (auto v = r.optionalKey(QStringLiteral("additionalInfos"))) {
        b.additionalInfos = DeviceAdditionalInfoDictionary::decode(*v);
    }
    if (auto v = r.optionalKey(QStringLiteral("ancestorModelNames"))) {
        b.ancestorModelNames = decoding::strings(*v);
    }
    return b;
}

DeviceBaseSerializedInfo
DeviceBaseSerializedInfo::merged(const DeviceOverrideSerializedInfo& o) const {
    DeviceBaseSerializedInfo d = *this;
    // A disabled base does not disable what is derived from it.
    d.isDisabled = o.isDisabled;
    d.modelName = o.modelName;
    if (o.displayName) {
        d.displayName = o.displayName;
    }
    if (o.printerType) {
        d.printerType = *o.printerType;
    }
    if (o.colorAbility) {
        d.colorAbility = o.colorAbility;
    }
    // Lists are replaced as a whole, never merged.
    if (o.canvases) {
        d.canvases = *o.canvases;
    }
    if (o.transportTypes) {
        d.transportTypes = o.transportTypes;
    }
    if (o.offsetBases) {
        d.offsetBases = *o.offsetBases;
    }
    if (!o.parameterProperties.isEmpty()) {
        d.parameterProperties = mergedByIdentifier(
            parameterProperties, o.parameterProperties,
            [](const DeviceSettingParameterSerializedInfo& e) { return e.identifier(); });
    }
    if (o.maintenanceActions) {
        d.maintenanceActions = mergedByIdentifier(
            maintenanceActions.value_or(QList<MaintenanceAction::SerializedInfo>()),
            *o.maintenanceActions,
            [](const MaintenanceAction::SerializedInfo& e) { return e.identifier; });
    }
    if (o.additionalInfos) {
        d.additionalInfos =
            additionalInfos ? additionalInfos->merging(*o.additionalInfos) : *o.additionalInfos;
    }
    // The derived model's own name, then its base's ancestors: the base's
    // own name is not among them, so a model derived from a base entry
    // never shows that base's texts (its completion alert, say) as its own.
    // Only the nearest ones are kept, each once: a long chain of overrides
    // then costs time and memory in proportion to its length.
    QStringList names{o.modelName};
    for (const QString& name : ancestorModelNames.value_or(QStringList())) {
        if (names.size() >= maximumAncestorCount) {
            break;
        }
        if (!names.contains(name)) {
            names.append(name);
        }
    }
    d.ancestorModelNames = names;
    return d;
}

} // namespace ambrel
