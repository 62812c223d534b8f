#pragma once

#include "platform/graphics/DecodedImage.h"
#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>

#include <optional>

namespace platform {

// HEIC pictures through libheif, in the picture decoders' module (see
// HeifDecoder for what callers use).
class HeifCodec {
public:
    static bool isSupported(const QByteArray& data);
    static std::optional<DecodedImage> decodePrimaryImage(const QByteArray& data,
                                                          PictureRefusal* why);
};

} // namespace platform
