#pragma once

#include <QSizeF>

#include <functional>

namespace platform {
class GraphicsContext;
}

namespace ambrel {

// How to draw a picture: its size in its own units (pixels for a raster
// picture, points for a PDF page) and an operation that draws the whole
// picture into (0, 0, size) of the context's current user space.
struct Drawing {
    QSizeF size;
    std::function<void(platform::GraphicsContext&)> drawingHandler;
};

} // namespace ambrel
