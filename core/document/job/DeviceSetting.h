#pragma once

#include "model/descriptions/DeviceDescriptor.h"
#include "model/parameters/DeviceSettingParameter.h"
#include "model/pictures/BlackConversionType.h"
#include "model/pictures/OffsetBase.h"
#include "platform/Observable.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace kestrom {

// One document's choices for one model: the values of the model's settings
// keyed by parameter identifier, and four choices kept apart from them.
// Saved as one flat dictionary (in documents and in the remembered settings
// of each model).
//
// Key access reads and writes `values`: valueForKey(identifier) gives the
// value or nothing, and setValueForKey() notifies the identifier around the
// store, so "currentDeviceSetting.<identifier>" can be observed for any
// identifier. Writing no value (an empty QVariant) removes the key. The four
// other fields are set directly and are not reachable by key.
class DeviceSetting : public platform::Observable {
public:
    DeviceSetting();
    // The model's defaults; a parameter without a default gets no value.
    explicit DeviceSetting(const ambrel::DeviceDescriptor& descriptor);
    DeviceSetting(const DeviceSetting& other);
    DeviceSetting& operator=(const DeviceSetting& other);
    ~DeviceSetting() override;

    // The defaults of the first supported model of that name; nothing when no
    // supported model has it.
    static std::shared_ptr<DeviceSetting> withDefaultsOfModelName(const QString& modelName);
    std::shared_ptr<DeviceSetting> copy() const;

    const QVariantMap& values() const { return m_values; }
    void setValues(const QVariantMap& values);
    const std::optional<ambrel::OffsetBase>& imageOffsetBase() const { return m_imageOffsetBase; }
    void setImageOffsetBase(const std::optional<ambrel::OffsetBase>& anchor) {
        m_imageOffsetBase = anchor;
    }
    const std::optional<QString>& canvasIdentifier() const { return m_canvasIdentifier; }
    void setCanvasIdentifier(const std::optional<QString>& identifier) {
        m_canvasIdentifier = identifier;
    }
    const std::optional<QString>& transportTypeIdentifier() const {
        return m_transportTypeIdentifier;
    }
    void setTransportTypeIdentifier(const std::optional<QString>& identifier) {
        m_transportTypeIdentifier = identifier;
    }
    const std::optional<ambrel::BlackConversionType>& blackConversionType() const {
        return m_blackConversionType;
    }
    void setBlackConversionType(const std::optional<ambrel::BlackConversionType>& type) {
        m_blackConversionType = type;
    }

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QString& key, const QVariant& value) override;

    // The flat saved dictionary: the values, then the four fields that are
    // set ("imageOffsetBase", "canvasIdentifier", "transportTypeIdentifier",
    // "blackConversionType"), which replace values of the same name.
    QVariantMap dictionaryForSave() const;
    // Merges a saved dictionary; never clears and never notifies. Values for
    // the model's own parameters are fitted to them: numbers are clamped to
    // the slider's range, and a value of the wrong kind, a number that is not
    // finite or an item the pick list no longer has keeps the current value.
    void loadDictionaryForSave(const QVariantMap& dictionary);

    QString description() const;

private:
    void loadValue(const QString& key, const QVariant& value);
    std::shared_ptr<const ambrel::DeviceSettingParameter> parameter(const QString& key) const;

    QVariantMap m_values;
    std::optional<ambrel::OffsetBase> m_imageOffsetBase;
    std::optional<QString> m_canvasIdentifier;
    std::optional<QString> m_transportTypeIdentifier;
    std::optional<ambrel::BlackConversionType> m_blackConversionType;
    // The parameters of the model the setting was made for, when known.
    QList<std::shared_ptr<const ambrel::DeviceSettingParameter>> m_parameters;
};

} // namespace kestrom
