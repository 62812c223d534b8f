#include "core/document/job/LastDeviceSettings.h"

#include "core/document/job/DeviceSetting.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/UserDefaultsKeys.h"
#include "platform/Error.h"
#include "platform/Log.h"

namespace kestrom {

using ambrel::BlackConversionType;
using ambrel::OffsetBase;

QVariantMap LastDeviceSettings::lastDeviceSettingInfos(platform::UserDefaults& defaults) {
    const QVariant value = defaults.object(UserDefaultsKeys::lastDeviceSettings().key());
    if (value.typeId() != QMetaType::QVariantMap) {
        return {};
    }
    const QVariantMap infos = value.toMap();
    for (const QVariant& entry : infos) {
        if (entry.typeId() != QMetaType::QVariantMap) {
            return {};
        }
    }
    return infos;
}

void LastDeviceSettings::setLastDeviceSettingInfos(const QVariantMap& infos,
                                                   platform::UserDefaults& defaults) {
    try {
        defaults.setObject(UserDefaultsKeys::lastDeviceSettings().key(), infos);
    } catch (const platform::Error& error) {
        platform::Log::line(error.localizedDescription());
    }
}

void LastDeviceSettings::setLastDeviceSettingValue(const QVariant& value, const QString& keyPath,
                                                   const QString& modelName,
                                                   platform::UserDefaults& defaults) {
    QVariantMap infos = lastDeviceSettingInfos(defaults);
    std::shared_ptr<DeviceSetting> setting = DeviceSetting::withDefaultsOfModelName(modelName);
    if (!setting) {
        setting = std::make_shared<DeviceSetting>();
    }
    if (infos.contains(modelName)) {
        setting->loadDictionaryForSave(infos.value(modelName).toMap());
    }
    auto text = [&]() -> std::optional<QString> {
        if (value.typeId() == QMetaType::QString) {
            return value.toString();
        }
        return std::nullopt;
    };
    if (keyPath == DocumentKey::Package::canvasIdentifier) {
        setting->setCanvasIdentifier(text());
    } else if (keyPath == DocumentKey::Package::transportTypeIdentifier) {
        setting->setTransportTypeIdentifier(text());
    } else if (keyPath == DocumentKey::imageOffsetBase) {
        if (value.metaType() != QMetaType::fromType<OffsetBase>()) {
            platform::Log::line(QStringLiteral("setLastDeviceSettingValue accepts only OffsetBase "
                                               "values for \"imageOffsetBase\" key."));
            return;
        }
        setting->setImageOffsetBase(value.value<OffsetBase>());
    } else if (keyPath == DocumentKey::blackConversionType) {
        if (value.metaType() != QMetaType::fromType<BlackConversionType>()) {
            platform::Log::line(QStringLiteral("setLastDeviceSettingValue accepts only "
                                               "BlackConversionType values for "
                                               "\"blackConversionType\" key."));
            return;
        }
        setting->setBlackConversionType(value.value<BlackConversionType>());
    } else {
        setting->loadDictionaryForSave({{keyPath, value}});
    }
    infos.insert(modelName, setting->dictionaryForSave());
    setLastDeviceSettingInfos(infos, defaults);
}

} // namespace kestrom
