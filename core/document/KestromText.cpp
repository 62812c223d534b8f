#include "core/document/KestromText.h"

#include "platform/Bundle.h"

namespace kestrom {

QString KestromText::text(const char* key) {
    return platform::Bundle::named(QStringLiteral("KestromCore"))
        ->localizedString(QString::fromLatin1(key));
}

} // namespace kestrom
