#pragma once

#include "platform/graphics/PictureCodecs.h"

namespace platform {

// The decoders the picture decoders' module gives the rest of the program.
class ModuleCodecs : public PictureCodecs {
public:
    bool isSupportedHeif(const QByteArray& data) const override;
    std::optional<DecodedImage> decodeHeif(const QByteArray& data,
                                           PictureRefusal* why) const override;
    std::unique_ptr<PdfPageRenderer> loadPdfFirstPage(const QByteArray& data) const override;
};

} // namespace platform
