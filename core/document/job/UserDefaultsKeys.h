#pragma once

#include "core/document/job/UserDefaultsKey.h"

#include <QList>
#include <QString>
#include <QVariantMap>

namespace kestrom {

// The three things the application remembers between runs.
class UserDefaultsKeys {
public:
    // "LastModelName": the model last chosen; by default the first supported model.
    static const UserDefaultsKey<QString>& lastModelName();
    // "LastDeviceSettings": model name to that model's saved setting
    // dictionary; no default.
    static const UserDefaultsKey<QVariantMap>& lastDeviceSettings();
    // "ScriptingPrintHasBeenAccepted": false by default.
    static const UserDefaultsKey<bool>& scriptingPrintHasBeenAccepted();
    // The three keys in this order.
    static const QList<const UserDefaultsKeyProtocol*>& allCases();
};

} // namespace kestrom
