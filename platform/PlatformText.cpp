#include "platform/PlatformText.h"

#include "platform/Bundle.h"

namespace platform {

QString PlatformText::text(const QString& key) {
    static const QString table = QStringLiteral("Platform");
    return Bundle::named(table)->localizedString(key, table);
}

} // namespace platform
