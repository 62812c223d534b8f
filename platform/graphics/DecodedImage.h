#pragma once

#include <QImage>

namespace platform {

// A raster picture as its file stores it, with the EXIF orientation value
// (1 to 8, TIFF tag 274) that says how to turn it upright. Nothing has been
// turned yet.
struct DecodedImage {
    QImage image;
    quint32 exifOrientation = 1;
};

} // namespace platform
