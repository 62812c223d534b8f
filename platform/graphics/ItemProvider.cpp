#include "platform/graphics/ItemProvider.h"

#include "platform/graphics/FileType.h"

namespace platform {

ItemProvider::~ItemProvider() = default;

bool ItemProvider::hasItemConformingToTypeIdentifier(const QString& typeIdentifier) const {
    const QStringList offered = registeredTypeIdentifiers();
    for (const QString& type : offered) {
        if (FileType::conforms(type, typeIdentifier)) {
            return true;
        }
    }
    return false;
}

} // namespace platform
