#pragma once

#include <QImage>

namespace platform {

// A gray picture laid upright over a whole-pixel rectangle of a page (device
// pixels, y down), scaled to the rectangle's size. The rectangle may reach
// past the page's edges.
struct PlacedPicture {
    QImage picture; // Format_Grayscale8
    qint64 x = 0;
    qint64 y = 0;
    qint64 width = 0;
    qint64 height = 0;
};

} // namespace platform
