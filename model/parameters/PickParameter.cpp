#include "model/parameters/PickParameter.h"

namespace ambrel {

PickParameter::SerializedInfo PickParameter::SerializedInfo::decode(const JsonReader& reader) {
    SerializedInfo info;
    info.identifier = reader.key(QStringLiteral("identifier")).string();
    info.pane = reader.optionalString(QStringLiteral("pane"));
    info.defaultValue = reader.optionalString(QStringLiteral("defaultValue"));
    for (const JsonReader& item : reader.key(QStringLiteral("items")).array()) {
        info.items.append(item.string());
    }
    return info;
}

PickParameter::PickParameter(const SerializedInfo& info, const QList<LocalizedStringTable>& tables)
    : DeviceSettingParameter(info.identifier, info.pane, tables) {
    for (const QString& item : info.items) {
        m_items.append(std::make_shared<const Item>(item, info.identifier, tables));
    }
    // A list without items and without a default answers an empty identifier
    // rather than no value at all.
    setDefaultValue(info.defaultValue.value_or(info.items.isEmpty() ? QString(QLatin1String(""))
                                                                    : info.items.first()));
}

QVariant PickParameter::valueForKey(const QString& key) const {
    if (key == QLatin1String("items")) {
        return QVariant::fromValue(m_items);
    }
    if (key == QLatin1String("defaultItemIdentifier")) {
        return defaultItemIdentifier();
    }
    return DeviceSettingParameter::valueForKey(key);
}

} // namespace ambrel
