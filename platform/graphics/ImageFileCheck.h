#pragma once

#include <QByteArray>

namespace platform {

// Checks of a picture file's bytes made before its pixels are decoded: the
// decoders would otherwise allocate the canvas a header announces, however
// few bytes follow, and return a truncated file as a picture whose missing
// part is blank.
class ImageFileCheck {
public:
    // Whether a file of byteCount bytes in the format ("png", "jpeg", "gif",
    // "bmp", "tiff", "heic") can hold a picture of these sides at the format's largest
    // compression ratio.
    static bool canHold(const QByteArray& format, qint64 byteCount, qint64 width, qint64 height);

    // Whether a PNG file runs through its chunks to the end chunk.
    static bool pngIsComplete(const QByteArray& data);
    // Whether a GIF file holds its first picture whole, up to the end of its
    // pixel data.
    static bool gifIsComplete(const QByteArray& data);
    // Whether run-length coded BMP rows from the offset end with the
    // end-of-picture mark or after all their rows. Four-bit runs when rle4.
    static bool bmpRunsAreComplete(const QByteArray& data, qint64 offset, qint64 rows, bool rle4);
};

} // namespace platform
