#pragma once

#include <QByteArray>
#include <QImage>

namespace platform {

class DecodingRows;

// Decodes the common JPEG photo (three colour components, no colour profile,
// no comments) straight into 32-bit pixels, a few rows at a time, so that a
// reader can work on the rows already done. The pixels, the format and the
// resolution are those Qt's reader gives the same file; every other JPEG is
// left to that reader.
class JpegDecoder {
public:
    enum class Outcome { decoded, notHandled, failed };

    // Decodes the primary picture of `data` into `image` (not turned by its
    // orientation). notHandled leaves the file to Qt's reader; failed is a
    // file the JPEG library refused, or no memory for the pixels.
    static Outcome decode(const QByteArray& data, QImage& image, DecodingRows* rows = nullptr);
};

} // namespace platform
