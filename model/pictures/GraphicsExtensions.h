#pragma once

#include "model/units/Size_px.h"
#include "platform/graphics/GraphicsContext.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>

#include <memory>

namespace ambrel {

// Drawing helpers of the device bitmaps.
class GraphicsExtensions {
public:
    // An 8-bit gray context without alpha whose rows are exactly size.width
    // bytes, over `data` or memory of its own; nothing when it cannot be made.
    // Its y = 0 is the last row of the memory.
    static std::unique_ptr<platform::GraphicsContext> grayOpaqueContext(std::uint8_t* data,
                                                                        Size_px size);

    // Turns a print bitmap's context so that the canvas is drawn across its
    // columns: a canvas point (u, v) lands on (canvasHeight - v, u), bitmap
    // columns running along the canvas's height.
    static void turnCanvasToColumns(platform::GraphicsContext& context, double canvasHeight);

    // The picture's gray bytes, width x height, rows without padding: the
    // picture drawn at its own size over white, so transparent parts come out
    // white. Empty when the bitmap cannot be made.
    static QByteArray grayConvertedPixels(const QImage& image);

    // Runs the body between a save and a restore of the context's state, also
    // when it throws, and gives the body's result.
    template <typename Body>
    static auto performSavingGState(platform::GraphicsContext& context, Body&& body)
        -> decltype(body()) {
        struct Restore {
            platform::GraphicsContext& context;
            ~Restore() { context.restoreGState(); }
        };
        context.saveGState();
        Restore restore{context};
        return body();
    }

    // Width and height exchanged.
    static QSizeF rotated(const QSizeF& size) { return size.transposed(); }
    // The smallest upright box that holds a w x h rectangle turned by the angle.
    static QSizeF rotatedContainerSize(const QSizeF& size, double radians);
};

} // namespace ambrel
