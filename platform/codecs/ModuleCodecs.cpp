#include "platform/codecs/ModuleCodecs.h"

#include "platform/codecs/HeifCodec.h"
#include "platform/codecs/PopplerPageRenderer.h"

namespace platform {

void ModuleCodecs::prepare() const {
    HeifCodec::prepare();
    PopplerPageRenderer::prepare();
}

bool ModuleCodecs::isSupportedHeif(const QByteArray& data) const {
    return HeifCodec::isSupported(data);
}

bool ModuleCodecs::decodeHeif(const QByteArray& data, PictureRefusal* why,
                              const PixelTarget& target) const {
    return HeifCodec::decodePrimaryImage(data, why, target);
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
