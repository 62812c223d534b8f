#pragma once

#include "platform/UserDefaults.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace kestrom {

// The settings last chosen for each model, under "LastDeviceSettings" of the
// user's defaults: one complete saved setting dictionary per model name.
// The document's lastDeviceSettingInfos and setLastDeviceSettingValue go
// through here.
class LastDeviceSettings {
public:
    // The remembered dictionaries; anything but a dictionary of dictionaries
    // (or nothing) reads as empty.
    static QVariantMap
    lastDeviceSettingInfos(platform::UserDefaults& defaults = platform::UserDefaults::standard());
    static void setLastDeviceSettingInfos(
        const QVariantMap& infos,
        platform::UserDefaults& defaults = platform::UserDefaults::standard());

    // Remembers one changed setting of a model: the model's defaults, with
    // its remembered entry merged in, with the change applied, replace the
    // model's entry. "canvasIdentifier" and "transportTypeIdentifier" take a
    // text (anything else forgets the choice); "imageOffsetBase" takes an
    // ambrel::OffsetBase and "blackConversionType" an
    // ambrel::BlackConversionType, and anything else there is reported and
    // changes nothing; any other key path is a parameter identifier, whose
    // value is stored as the setting stores it (a number clamped to the
    // parameter's range).
    static void setLastDeviceSettingValue(
        const QVariant& value, const QString& keyPath, const QString& modelName,
        platform::UserDefaults& defaults = platform::UserDefaults::standard());
};

} // namespace kestrom
