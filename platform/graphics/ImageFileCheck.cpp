#include "platform/graphics/ImageFileCheck.h"

#include <algorithm>

namespace platform {

namespace {

// The most pixels one byte of a file can stand for, in each format: deflate
// expands a byte to at most 1032, of eight 1-bit pixels each (PNG); a 12-bit
// LZW code stands for at most 4096 pixels (GIF); a JPEG block of 64 pixels
// takes at least one bit; a BMP run of 255 pixels takes two bytes.
constexpr qint64 pngPixelsPerByte = 1032 * 8;
constexpr qint64 gifPixelsPerByte = 4096 * 8 / 12 + 1;
constexpr qint64 jpegPixelsPerByte = 64 * 8;
constexpr qint64 bmpPixelsPerByte = 128;
// TIFF carries any of its compressions: LZW of 1-bit pixels at most, or for
// fax coding at least one bit per row of any width.
constexpr qint64 tiffPixelsPerByte = 4096 * 8;
constexpr qint64 tiffRowsPerByte = 8;
// HEVC's arithmetic coding can code a skipped 64 x 64 block in a small
// fraction of a bit; this allows for eight such blocks per byte.
constexpr qint64 heicPixelsPerByte = 64 * 64 * 8;

quint32 bigEndian32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

} // namespace

bool ImageFileCheck::canHold(const QByteArray& format, qint64 byteCount, qint64 width,
                             qint64 height) {
    if (width < 1 || height < 1 || byteCount < 1) {
        return false;
    }
    qint64 perByte = 0;
    if (format == "png") {
        perByte = pngPixelsPerByte;
    } else if (format == "gif") {
        perByte = gifPixelsPerByte;
    } else if (format == "jpeg") {
        perByte = jpegPixelsPerByte;
    } else if (format == "bmp") {
        perByte = bmpPixelsPerByte;
    } else if (format == "heic") {
        perByte = heicPixelsPerByte;
    } else if (format == "tiff") {
        if (height <= byteCount * tiffRowsPerByte) {
            return true;
        }
        perByte = tiffPixelsPerByte;
    } else {
        return true;
    }
    // Divide rather than multiply: the header's sides may be anything.
    const qint64 rowsCovered = byteCount * perByte / width;
    return height <= rowsCovered;
}

bool ImageFileCheck::pngIsComplete(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 n = data.size();
    qint64 at = 8; // the signature
    while (at + 12 <= n) {
        const qint64 length = bigEndian32(p + at);
        if (length > n - at - 12) {
            return false;
        }
        if (std::equal(p + at + 4, p + at + 8, "IEND")) {
            return true;
        }
        at += 12 + length;
    }
    return false;
}

bool ImageFileCheck::gifIsComplete(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 n = data.size();
    auto colourTableSize = [](uchar flags) {
        return (flags & 0x80) ? 3 * (qint64(2) << (flags & 0x07)) : 0;
    };
    // Skips a chain of sub-blocks; -1 when the file ends inside it.
    auto skipSubBlocks = [&](qint64 at) -> qint64 {
        while (at < n) {
            const qint64 size = p[at];
            if (size == 0) {
                return at + 1;
            }
            at += 1 + size;
        }
        return -1;
    };
    if (n < 13) {
        return false;
    }
    qint64 at = 13 + colourTableSize(p[10]);
    while (at >= 0 && at < n) {
        switch (p[at]) {
        case 0x21: // extension: label, then sub-blocks
            at = at + 2 <= n ? skipSubBlocks(at + 2) : -1;
            break;
        case 0x2C: { // image: descriptor, table, code size, then its data
            if (at + 10 > n) {
                return false;
            }
            const qint64 start = at + 10 + colourTableSize(p[at + 9]) + 1;
            return start <= n && skipSubBlocks(start) >= 0;
        }
        default: // the trailer, or bytes that are no block, before any picture
            return false;
        }
    }
    return false;
}

bool ImageFileCheck::bmpRunsAreComplete(const QByteArray& data, qint64 offset, qint64 rows,
                                        bool rle4) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 n = data.size();
    qint64 at = offset;
    qint64 rowsEnded = 0;
    while (at >= 0 && at + 2 <= n) {
        const uchar count = p[at];
        const uchar code = p[at + 1];
        at += 2;
        if (count > 0) {
            continue; // a run
        }
        switch (code) {
        case 0: // end of a row
            if (++rowsEnded >= rows) {
                return true;
            }
            break;
        case 1: // end of the picture
            return true;
        case 2: // a move right and down
            at += 2;
            break;
        default: { // literal pixels, padded to a whole 16-bit word
            const qint64 bytes = rle4 ? (qint64(code) + 1) / 2 : code;
            at += (bytes + 1) / 2 * 2;
            break;
        }
        }
    }
    return false;
}

} // namespace platform
