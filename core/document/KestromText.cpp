#include "core/document/KestromText.h"

#include "core/document/Framework.h"

namespace kestrom {

QString KestromText::text(const char* key) {
    return Framework::frameworkStringTable().getLocalizedStringOrKey(QString::fromLatin1(key));
}

} // namespace kestrom
