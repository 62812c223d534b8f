#pragma once

#include "model/parameters/DeviceSettingParameter.h"
#include "model/units/JsonReader.h"

namespace ambrel {

// A setting switched on or off with a check box.
class BoolParameter : public DeviceSettingParameter {
public:
    struct SerializedInfo {
        QString identifier;
        std::optional<QString> pane;
        std::optional<bool> defaultValue;
        std::optional<bool> negates;

        static SerializedInfo decode(const JsonReader& reader);
    };

    BoolParameter(const SerializedInfo& info, const QList<LocalizedStringTable>& tables);

    Kind kind() const override { return Kind::boolean; }

    // The check box shows the inverse of the stored value.
    bool negates() const { return m_negates; }
    void setNegates(bool negates) { m_negates = negates; }
    const QString& localizedCheckboxTitleText() const { return m_localizedCheckboxTitleText; }
    void setLocalizedCheckboxTitleText(const QString& text) { m_localizedCheckboxTitleText = text; }
    // The default; false for a switch without one.
    bool defaultBool() const { return defaultValue().isValid() && defaultValue().toBool(); }

    // Adds "negates", "localizedCheckboxTitleText" and "defaultBool".
    QVariant valueForKey(const QString& key) const override;

private:
    bool m_negates = false;
    QString m_localizedCheckboxTitleText;
};

} // namespace ambrel
