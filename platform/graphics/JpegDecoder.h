#pragma once

#include "platform/graphics/JpegScan.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

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
    // orientation), at 1/`denominator` of its size (1, 2, 4 or 8) as the
    // library scales while it decodes. notHandled leaves the file to Qt's
    // reader; failed is a file the JPEG library refused, or no memory for
    // the pixels.
    static Outcome decode(const QByteArray& data, QImage& image, DecodingRows* rows = nullptr,
                          int denominator = 1);

    // What the header tells, read by the library without decoding a pixel.
    struct Header {
        QSize size;
        // From the EXIF data in the APP1 segments, as Qt's reader reads it.
        quint32 exifOrientation = 1;
        // decode() takes the file, rather than leaving it to Qt's reader.
        bool decodable = false;
    };
    // Nothing for a file whose header the library refuses.
    static std::optional<Header> header(const QByteArray& data);

    // The scan of a file that decode() takes, as the library reads its
    // header, where it is one JpegEighthDecoder decodes (it points into
    // `data`); nothing for any other.
    static std::optional<JpegScan> scan(const QByteArray& data);
};

} // namespace platform
