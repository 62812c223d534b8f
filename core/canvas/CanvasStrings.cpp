#include "core/canvas/CanvasStrings.h"

#include "platform/Bundle.h"
#include "platform/Log.h"

namespace kestrom {

std::optional<QString> CanvasStrings::text(const QString& key) {
    const QString value =
        platform::Bundle::named(QStringLiteral("KestromCore"))->localizedString(key, table);
    if (value == key) {
        return std::nullopt;
    }
    return value;
}

QString CanvasStrings::requiredText(const QString& key) {
    const auto value = text(key);
    if (!value) {
        platform::Log::fatal(
            QStringLiteral("missing string table entry \"%1\" in table \"%2\"").arg(key, table));
    }
    return *value;
}

} // namespace kestrom
