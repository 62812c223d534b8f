#include "core/inspector/FrameworkStringTable.h"

#include "platform/Log.h"

namespace kestrom {

const ambrel::LocalizedStringTable& frameworkStringTable() {
    static const ambrel::LocalizedStringTable table(
        platform::Bundle::named(QStringLiteral("KestromCore")));
    return table;
}

QString requiredFrameworkString(const QString& key,
                                const QList<platform::FormatArgument>& arguments) {
    auto text = frameworkStringTable().getLocalizedStringOrNull(key, arguments);
    if (!text) {
        platform::Log::fatal(QStringLiteral("The framework's string table lacks “%1”.").arg(key));
    }
    return *text;
}

} // namespace kestrom
