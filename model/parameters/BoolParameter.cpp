#include "model/parameters/BoolParameter.h"

namespace ambrel {

BoolParameter::SerializedInfo BoolParameter::SerializedInfo::decode(const JsonReader& reader) {
    SerializedInfo info;
    info.identifier = reader.key(QStringLiteral("identifier")).string();
    info.pane = reader.optionalString(QStringLiteral("pane"));
    info.defaultValue = reader.optionalBoolean(QStringLiteral("defaultValue"));
    info.negates = reader.optionalBoolean(QStringLiteral("negates"));
    return info;
}

BoolParameter::BoolParameter(const SerializedInfo& info, const QList<LocalizedStringTable>& tables)
    : DeviceSettingParameter(info.identifier, info.pane, tables),
      m_negates(info.negates.value_or(false)),
      m_localizedCheckboxTitleText(localizedText(QStringLiteral("DeviceSettingParameter_") +
                                                     info.identifier +
                                                     QStringLiteral("_CheckboxTitleText"),
                                                 info.identifier, tables)) {
    if (info.defaultValue) {
        setDefaultValue(*info.defaultValue);
    }
}

QVariant BoolParameter::valueForKey(const QString& key) const {
    if (key == QLatin1String("negates")) {
        return m_negates;
    }
    if (key == QLatin1String("localizedCheckboxTitleText")) {
        return m_localizedCheckboxTitleText;
    }
    if (key == QLatin1String("defaultBool")) {
        return defaultBool();
    }
    return DeviceSettingParameter::valueForKey(key);
}

} // namespace ambrel
