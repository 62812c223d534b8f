#pragma once

#include "model/pictures/ImageRotation.h"

#include <QImage>
#include <QRectF>

namespace kestrom {

// Draws a picture turned by quarters and optionally mirrored so that it
// exactly covers a rectangle of the current drawing context.
class OrientedImageDrawing {
public:
    // Does nothing without a current context (CurrentGraphicsContext). The
    // context's state is saved and restored around the drawing.
    static void draw(const QImage& image, const QRectF& rect, ambrel::ImageRotation orientation,
                     bool flipHorizontal);
};

} // namespace kestrom
