#pragma once

#include <QString>
#include <QVariant>

namespace platform {

// What an observer is told. The values are filled when the observation asked
// for them (Observable::Old, Observable::New); otherwise they are empty.
struct KeyValueChange {
    QString keyPath;
    QVariant oldValue;
    QVariant newValue;
    // True for the call made at once for Observable::Initial.
    bool isInitial = false;
};

} // namespace platform
