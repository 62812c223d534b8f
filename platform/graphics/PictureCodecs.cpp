#include "platform/graphics/PictureCodecs.h"

namespace platform {

QString PictureCodecs::moduleFileName() {
    return QStringLiteral("liblunvik-picture-codecs.so");
}

} // namespace platform
