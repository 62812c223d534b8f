#include "core/document/job/UserDefaultsKeys.h"

#include "model/descriptions/DeviceDescriptor.h"

namespace kestrom {

const UserDefaultsKey<QString>& UserDefaultsKeys::lastModelName() {
    static const UserDefaultsKey<QString> key(
        QStringLiteral("LastModelName"), []() -> std::optional<QString> {
            const auto& supported = ambrel::DeviceDescriptor::supported();
            if (supported.isEmpty()) {
                return std::nullopt;
            }
            return supported.first()->modelName();
        });
    return key;
}

const UserDefaultsKey<QVariantMap>& UserDefaultsKeys::lastDeviceSettings() {
    static const UserDefaultsKey<QVariantMap> key(QStringLiteral("LastDeviceSettings"));
    return key;
}

const UserDefaultsKey<bool>& UserDefaultsKeys::scriptingPrintHasBeenAccepted() {
    static const UserDefaultsKey<bool> key(QStringLiteral("ScriptingPrintHasBeenAccepted"),
                                           []() -> std::optional<bool> { return false; });
    return key;
}

const QList<const UserDefaultsKeyProtocol*>& UserDefaultsKeys::allCases() {
    static const QList<const UserDefaultsKeyProtocol*> all{&lastModelName(), &lastDeviceSettings(),
                                                           &scriptingPrintHasBeenAccepted()};
    return all;
}

} // namespace kestrom
