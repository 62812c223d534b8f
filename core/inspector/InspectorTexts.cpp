#include "core/inspector/InspectorTexts.h"

#include "core/document/application/Framework.h"
#include "platform/Log.h"

namespace kestrom {

QString inspectorText(const QString& key) {
    return Framework::frameworkStringTable().getLocalizedStringOrKey(key);
}

QString requiredFrameworkString(const QString& key,
                                const QList<platform::FormatArgument>& arguments) {
    auto text = Framework::frameworkStringTable().getLocalizedStringOrNull(key, arguments);
    if (!text) {
        platform::Log::fatal(QStringLiteral("The framework's string table lacks “%1”.").arg(key));
    }
    return *text;
}

} // namespace kestrom
