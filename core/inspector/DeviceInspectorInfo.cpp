#include "core/inspector/DeviceInspectorInfo.h"

namespace kestrom {

DeviceInspectorInfo DeviceInspectorInfo::decode(const ambrel::JsonReader& reader) {
    reader.object(); // anything but an object is a type mismatch
    DeviceInspectorInfo info;
    if (auto tabs = reader.optionalKey(QStringLiteral("inspectorTabPages"))) {
        QStringList identifiers;
        for (const auto& tab : tabs->array()) {
            identifiers.append(tab.string());
        }
        info.inspectorTabPages = identifiers;
    }
    if (auto pages = reader.optionalKey(QStringLiteral("inspectorPages"))) {
        QList<InspectorPageDescriptor::SerializedInfo> records;
        for (const auto& page : pages->array()) {
            records.append(InspectorPageDescriptor::SerializedInfo::decode(page));
        }
        info.inspectorPages = records;
    }
    return info;
}

} // namespace kestrom
