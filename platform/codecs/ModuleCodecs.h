#pragma once

#include "platform/graphics/PictureCodecs.h"

namespace platform {

// The decoders the picture decoders' module gives the picture worker.
class ModuleCodecs : public PictureCodecs {
public:
    void prepare() const override;
    bool isSupportedHeif(const QByteArray& data) const override;
    bool decodeHeif(const QByteArray& data, PictureRefusal* why,
                    const PixelTarget& target) const override;
    std::unique_ptr<PdfPageRenderer> loadPdfFirstPage(const QByteArray& data) const override;
};

} // namespace platform
