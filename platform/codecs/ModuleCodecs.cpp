#include "platform/codecs/ModuleCodecs.h"

#include "platform/codecs/HeifCodec.h"
#include "platform/codecs/PopplerPageRenderer.h"

namespace platform {

bool ModuleCodecs::isSupportedHeif(const QByteArray& data) const {
    return HeifCodec::isSupported(data);
}

std::optional<DecodedImage> ModuleCodecs::decodeHeif(const QByteArray& data,
                                                     PictureRefusal* why) const {
    return HeifCodec::decodePrimaryImage(data, why);
}

std::unique_ptr<PdfPageRenderer> ModuleCodecs::loadPdfFirstPage(const QByteArray& data) const {
    return PopplerPageRenderer::load(data);
}

} // namespace platform

extern "C" __attribute__((visibility("default"))) const platform::PictureCodecs*
lunvikPictureCodecs() {
    static const platform::ModuleCodecs codecs;
    return &codecs;
}
