#include "transport/model/FennickText.h"

#include "platform/Bundle.h"

namespace fennick {

QString FennickText::text(const QString& key) {
    static const QString table = QStringLiteral("Fennick");
    return platform::Bundle::named(table)->localizedString(key, table);
}

} // namespace fennick
