#include "platform/ApplicationInfo.h"

#include "platform/Bundle.h"

namespace platform {

namespace {

QString text(const char* key) {
    return ApplicationInfo::dictionary().value(QString::fromLatin1(key)).toString();
}

} // namespace

QVariantMap ApplicationInfo::dictionary() {
    return Bundle::main()->infoDictionary();
}

QString ApplicationInfo::displayName() {
    for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
        const QString name = text(key);
        if (!name.isEmpty()) {
            return name;
        }
    }
    return Bundle::main()->name();
}

QString ApplicationInfo::shortVersion() {
    return text("CFBundleShortVersionString");
}

QString ApplicationInfo::identifier() {
    return Bundle::main()->identifier();
}

} // namespace platform
