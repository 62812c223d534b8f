#pragma once

#include <QtGlobal>

#include <cstddef>

namespace platform {

// The orientation value (1 to 8) that a JPEG's EXIF data gives its picture,
// read by the rules Qt's reader follows, so that a file reads the same
// whichever of the two looks at it: the first Orientation entry found in the
// image directories (ten at most, only ever forwards), taken when it is one
// unsigned short from 1 to 8. 1, the picture as stored, for anything else;
// nothing is read outside the data.
class ExifOrientation {
public:
    // `app1` is the payloads of the file's APP1 segments, one after the
    // other in the file's order; EXIF data starts with "Exif\0\0".
    static quint32 fromApp1(const uchar* app1, std::size_t length);
};

} // namespace platform
