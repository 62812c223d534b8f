#pragma once

#include <QImage>

namespace lunvik {

// The rendered print: an 8-bit gray, opaque bitmap whose width is the
// canvas's height and whose height is the canvas's width (each bitmap column
// is one line across the head), placed at a column of the device.
struct TavrinBitmapInfo_px {
    // Columns from the start of the canvas; 0 for a bitmap of the whole canvas.
    qint64 location_px = 0;
    QImage bitmap;
};

} // namespace lunvik
