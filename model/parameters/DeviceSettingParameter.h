#pragma once

#include "model/texts/LocalizedStringTable.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace ambrel {

class NumberParameter;
class BoolParameter;
class PickParameter;

// One setting a device model offers per document: a number on a slider, a
// switch, or a pick list. Made only from a description entry; its texts are
// looked up once, when it is made, in the model's string tables.
class DeviceSettingParameter {
public:
    using NumberParameter = ambrel::NumberParameter;
    using BoolParameter = ambrel::BoolParameter;
    using PickParameter = ambrel::PickParameter;

    enum class Kind { number, boolean, pick };

    virtual ~DeviceSettingParameter();
    DeviceSettingParameter(const DeviceSettingParameter&) = delete;
    DeviceSettingParameter& operator=(const DeviceSettingParameter&) = delete;

    virtual Kind kind() const = 0;

    // The key of the setting in a document's setting values.
    const QString& identifier() const { return m_identifier; }
    void setIdentifier(const QString& identifier) { m_identifier = identifier; }
    // The inspector pane that shows the setting.
    const QString& paneIdentifier() const { return m_paneIdentifier; }
    void setPaneIdentifier(const QString& pane) { m_paneIdentifier = pane; }
    // A double for a number, a Boolean or nothing for a switch, an item
    // identifier for a pick list.
    const QVariant& defaultValue() const { return m_default; }
    void setDefaultValue(const QVariant& value) { m_default = value; }
    const QString& localizedLeftColumnText() const { return m_localizedLeftColumnText; }
    void setLocalizedLeftColumnText(const QString& text) { m_localizedLeftColumnText = text; }

    // The properties by name, for views that bind to them: "identifier",
    // "paneIdentifier", "default", "localizedLeftColumnText" and those of the
    // kind. An unknown key gives an empty value.
    virtual QVariant valueForKey(const QString& key) const;

protected:
    DeviceSettingParameter(const QString& identifier, const std::optional<QString>& pane,
                           const QList<LocalizedStringTable>& tables);

    // The first table's text for the key, else the fallback.
    static QString localizedText(const QString& key, const QString& fallback,
                                 const QList<LocalizedStringTable>& tables);

private:
    QString m_identifier;
    QString m_paneIdentifier;
    QVariant m_default;
    QString m_localizedLeftColumnText;
};

} // namespace ambrel
