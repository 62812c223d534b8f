#pragma once

#include "platform/graphics/PictureCodecs.h"
#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>

namespace platform {

// HEIC pictures through libheif, in the picture decoders' module (see
// HeifDecoder for what callers use).
class HeifCodec {
public:
    // libheif's set-up, once (it loads its plug-ins).
    static void prepare();
    static bool isSupported(const QByteArray& data);
    static bool decodePrimaryImage(const QByteArray& data, PictureRefusal* why,
                                   const PictureCodecs::PixelTarget& target);
};

} // namespace platform
