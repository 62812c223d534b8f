#include "platform/graphics/PictureCodecs.h"

#include "platform/ModuleLoader.h"

#include <mutex>

namespace platform {

QString PictureCodecs::moduleFileName() {
    return QStringLiteral("liblunvik-picture-codecs.so");
}

const PictureCodecs* PictureCodecs::shared() {
    static std::once_flag once;
    static const PictureCodecs* codecs = nullptr;
    std::call_once(once, [] {
        if (auto entry = reinterpret_cast<LunvikPictureCodecsEntry>(
                ModuleLoader::entry(moduleFileName(), "lunvikPictureCodecs"))) {
            codecs = entry();
        }
    });
    return codecs;
}

} // namespace platform
