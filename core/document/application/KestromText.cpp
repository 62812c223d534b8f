#include "core/document/application/KestromText.h"

#include "core/document/application/Framework.h"

namespace kestrom {

QString KestromText::text(const char* key) {
    return Framework::frameworkStringTable().getLocalizedStringOrKey(QString::fromLatin1(key));
}

} // namespace kestrom
