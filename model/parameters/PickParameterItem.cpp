#include "model/parameters/PickParameterItem.h"

namespace ambrel {

PickParameterItem::PickParameterItem(const QString& identifier, const QString& parameterIdentifier,
                                     const QList<LocalizedStringTable>& tables)
    : m_identifier(identifier), m_parameterIdentifier(parameterIdentifier),
      m_localizedName(LocalizedStringTable::preferredLocalizedString(
                          QStringLiteral("DeviceSettingParameter_") + parameterIdentifier +
                              QStringLiteral("_Items_") + identifier,
                          tables)
                          .value_or(identifier)) {}

QVariant PickParameterItem::valueForKey(const QString& key) const {
    if (key == QLatin1String("identifier")) {
        return m_identifier;
    }
    if (key == QLatin1String("parameterIdentifier")) {
        return m_parameterIdentifier;
    }
    if (key == QLatin1String("localizedName")) {
        return m_localizedName;
    }
    return {};
}

} // namespace ambrel
