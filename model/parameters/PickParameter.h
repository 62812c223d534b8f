#pragma once

#include "model/parameters/DeviceSettingParameter.h"
#include "model/parameters/PickParameterItem.h"
#include "model/units/JsonReader.h"

#include <QStringList>

namespace ambrel {

// A setting chosen from a list of named items.
class PickParameter : public DeviceSettingParameter {
public:
    using Item = PickParameterItem;

    struct SerializedInfo {
        QString identifier;
        std::optional<QString> pane;
        std::optional<QString> defaultValue;
        QStringList items;

        static SerializedInfo decode(const JsonReader& reader);
    };

    PickParameter(const SerializedInfo& info, const QList<LocalizedStringTable>& tables);

    Kind kind() const override { return Kind::pick; }

    const QList<std::shared_ptr<const Item>>& items() const { return m_items; }
    void setItems(const QList<std::shared_ptr<const Item>>& items) { m_items = items; }
    // The default item's identifier; empty for a list without items or default.
    QString defaultItemIdentifier() const { return defaultValue().toString(); }

    // Adds "items" (a QList<std::shared_ptr<const PickParameterItem>>) and
    // "defaultItemIdentifier".
    QVariant valueForKey(const QString& key) const override;

private:
    QList<std::shared_ptr<const Item>> m_items;
};

} // namespace ambrel
