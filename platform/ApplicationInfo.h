#pragma once

#include <QString>
#include <QVariantMap>

namespace platform {

// The application's information dictionary, the "Info.plist" resource of
// the main bundle.
class ApplicationInfo {
public:
    static QVariantMap dictionary();
    // "CFBundleDisplayName", else "CFBundleName", else the bundle's name.
    static QString displayName();
    // "CFBundleShortVersionString"; empty when absent.
    static QString shortVersion();
    // "CFBundleIdentifier", else one made from the bundle's name.
    static QString identifier();
};

} // namespace platform
