#include "model/parameters/DeviceSettingParameter.h"

namespace ambrel {

DeviceSettingParameter::DeviceSettingParameter(const QString& identifier,
                                               const std::optional<QString>& pane,
                                               const QList<LocalizedStringTable>& tables)
    : m_identifier(identifier), m_paneIdentifier(pane.value_or(QStringLiteral("Print"))),
      m_localizedLeftColumnText(localizedText(QStringLiteral("DeviceSettingParameter_") +
                                                  identifier + QStringLiteral("_LeftColumnText"),
                                              identifier, tables)) {}

DeviceSettingParameter::~DeviceSettingParameter() = default;

QString DeviceSettingParameter::localizedText(const QString& key, const QString& fallback,
                                              const QList<LocalizedStringTable>& tables) {
    return LocalizedStringTable::preferredLocalizedString(key, tables).value_or(fallback);
}

QVariant DeviceSettingParameter::valueForKey(const QString& key) const {
    if (key == QLatin1String("identifier")) {
        return m_identifier;
    }
    if (key == QLatin1String("paneIdentifier")) {
        return m_paneIdentifier;
    }
    if (key == QLatin1String("default")) {
        return m_default;
    }
    if (key == QLatin1String("localizedLeftColumnText")) {
        return m_localizedLeftColumnText;
    }
    return {};
}

} // namespace ambrel
