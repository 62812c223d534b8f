#include "transport/dari/DariText.h"

#include "platform/Bundle.h"

namespace dari {

QString DariText::text(const QString& key) {
    static const QString table = QStringLiteral("Dari");
    return platform::Bundle::named(table)->localizedString(key, table);
}

} // namespace dari
