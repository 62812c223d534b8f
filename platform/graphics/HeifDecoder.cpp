#include "platform/graphics/HeifDecoder.h"

#include "platform/worker/PictureWorkerClient.h"

namespace platform {

bool HeifDecoder::canDecode(const QByteArray& data) {
    // Every HEIF file begins with its file type box, so other bytes are told
    // apart without asking a worker.
    if (data.size() < 12 || QByteArrayView(data).sliced(4, 4) != "ftyp") {
        return false;
    }
    return PictureWorkerClient::isSupportedHeif(data);
}

std::optional<DecodedImage> HeifDecoder::decodePrimaryImage(const QByteArray& data,
                                                            PictureRefusal* why) {
    if (why) {
        *why = PictureRefusal::noPicture;
    }
    if (data.isEmpty()) {
        return std::nullopt;
    }
    return PictureWorkerClient::decodeHeif(data, why);
}

} // namespace platform
