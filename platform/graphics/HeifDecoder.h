#pragma once

#include "platform/graphics/DecodedImage.h"
#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>

#include <optional>

namespace platform {

// HEIC pictures through libheif, which reads and decodes them in a picture
// worker (PictureWorkerClient), never in the program. libheif applies the
// container's rotation and mirroring while decoding, so the result is upright
// and its orientation value is 1.
class HeifDecoder {
public:
    static bool canDecode(const QByteArray& data);
    // The primary image in 8-bit RGB, or RGBA when it has an alpha channel.
    // `why` as ImageDecoder::decode tells it, and cannotBeDrawn when its
    // worker failed on it.
    static std::optional<DecodedImage> decodePrimaryImage(const QByteArray& data,
                                                          PictureRefusal* why = nullptr);
};

} // namespace platform
