#pragma once

#include <QString>
#include <QVariantMap>

namespace platform {

// A posted notification: its name, the object that posted it (compared by
// address only) and extra information.
struct Notification {
    QString name;
    const void* sender = nullptr;
    QVariantMap userInfo;
};

} // namespace platform
