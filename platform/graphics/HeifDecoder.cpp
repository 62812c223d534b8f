#include "platform/graphics/HeifDecoder.h"

#include "platform/graphics/PictureCodecs.h"

namespace platform {

bool HeifDecoder::canDecode(const QByteArray& data) {
    // Every HEIF file begins with its file type box, so other bytes are told
    // apart without loading the decoder.
    if (data.size() < 12 || QByteArrayView(data).sliced(4, 4) != "ftyp") {
        return false;
    }
    const PictureCodecs* codecs = PictureCodecs::shared();
    return codecs && codecs->isSupportedHeif(data);
}

std::optional<DecodedImage> HeifDecoder::decodePrimaryImage(const QByteArray& data,
                                                            PictureRefusal* why) {
    if (why) {
        *why = PictureRefusal::noPicture;
    }
    if (data.isEmpty()) {
        return std::nullopt;
    }
    const PictureCodecs* codecs = PictureCodecs::shared();
    if (!codecs) {
        return std::nullopt;
    }
    return codecs->decodeHeif(data, why);
}

} // namespace platform
