#include "model/pictures/ImageSource.h"

namespace ambrel {

ImageSource ImageSource::originalImage(OriginalImage::Pointer image,
                                       const OriginalImageDrawingOptions& options) {
    return ImageSource(Original{std::move(image), options});
}

ImageSource ImageSource::canvasSizedImage(CanvasSizedImageHandler handler) {
    return ImageSource(std::move(handler));
}

ImageSource ImageSource::rawImageData(RawImageDataHandler handler) {
    return ImageSource(std::move(handler));
}

ImageSource::Kind ImageSource::kind() const {
    switch (m_value.index()) {
    case 1:
        return Kind::canvasSizedImage;
    case 2:
        return Kind::rawImageData;
    default:
        return Kind::originalImage;
    }
}

OriginalImage::Pointer ImageSource::image() const {
    const auto* original = std::get_if<Original>(&m_value);
    return original ? original->image : nullptr;
}

std::optional<OriginalImageDrawingOptions> ImageSource::options() const {
    if (const auto* original = std::get_if<Original>(&m_value)) {
        return original->options;
    }
    return std::nullopt;
}

ImageSource::CanvasSizedImageHandler ImageSource::canvasSizedImageHandler() const {
    const auto* handler = std::get_if<CanvasSizedImageHandler>(&m_value);
    return handler ? *handler : CanvasSizedImageHandler();
}

ImageSource::RawImageDataHandler ImageSource::rawImageDataHandler() const {
    const auto* handler = std::get_if<RawImageDataHandler>(&m_value);
    return handler ? *handler : RawImageDataHandler();
}

} // namespace ambrel
