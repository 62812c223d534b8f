#pragma once

#include <QtGlobal>

#include <cstddef>

namespace platform {

// The orientation value (1 to 8) that an EXIF block gives its picture: the
// Orientation entry of its first image directory. 1, the picture as stored,
// where the block has no such entry, gives a value out of range, or is
// damaged: nothing is read outside the block.
class ExifOrientation {
public:
    // `exif` is the payload of a JPEG's APP1 segment, from its "Exif\0\0"
    // header on.
    static quint32 fromExif(const uchar* exif, std::size_t length);
};

} // namespace platform
