#pragma once

#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageDrawingOptions.h"
#include "model/units/Size_mm.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <optional>
#include <variant>

namespace ambrel {

// Where the picture of a print comes from: the document's picture with its
// placement, a picture already made at the canvas size, or raw image data.
// The handlers are held, not called; whoever renders the print calls them.
class ImageSource {
public:
    using OriginalImageDrawingOptions = ambrel::OriginalImageDrawingOptions;
    struct RawImageData {
        QByteArray data;
        std::optional<Size_mm> size_mm;
    };
    using CanvasSizedImageHandler = std::function<QImage()>;
    using RawImageDataHandler = std::function<RawImageData()>;

    enum class Kind { originalImage, canvasSizedImage, rawImageData };

    static ImageSource originalImage(OriginalImage::Pointer image,
                                     const OriginalImageDrawingOptions& options);
    static ImageSource canvasSizedImage(CanvasSizedImageHandler handler);
    static ImageSource rawImageData(RawImageDataHandler handler);

    Kind kind() const;
    // The parts of each kind; empty for the other kinds.
    OriginalImage::Pointer image() const;
    std::optional<OriginalImageDrawingOptions> options() const;
    CanvasSizedImageHandler canvasSizedImageHandler() const;
    RawImageDataHandler rawImageDataHandler() const;

private:
    struct Original {
        OriginalImage::Pointer image;
        OriginalImageDrawingOptions options;
    };
    explicit ImageSource(std::variant<Original, CanvasSizedImageHandler, RawImageDataHandler> v)
        : m_value(std::move(v)) {}

    std::variant<Original, CanvasSizedImageHandler, RawImageDataHandler> m_value;
};

} // namespace ambrel
