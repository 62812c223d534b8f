#pragma once

#include <QtGlobal>

namespace platform {

// The largest picture the system decodes or renders. A stencil screen of
// 1 m x 1 m imaged at 600 dpi is 23622 x 23622 pixels (about 558 megapixels);
// anything larger is refused before memory is allocated for it.
class ImageLimits {
public:
    static constexpr qint64 maximumPixelCount = 560'000'000;
    // The most bytes one decoded pixel takes in any format Qt decodes into
    // (64-bit RGBA).
    static constexpr qint64 maximumBytesPerPixel = 8;

    // The most memory one decode may take: every picture of the pixel cap
    // in 8-bit colour, fewer pixels in deeper formats.
    static constexpr qint64 maximumDecodeBytes = maximumPixelCount * 4;

    // Whether a picture of this many pixels may be decoded; sides below 1
    // are refused too.
    static bool admits(qint64 width, qint64 height);
    // Whether decoding a picture of these sides into pixels of this many
    // bits stays within maximumDecodeBytes, counting the 8-bit working copy
    // that pixels of more than 32 bits are turned into for drawing.
    static bool admitsDecode(qint64 width, qint64 height, int bitsPerPixel);
    // Whether a decode that allocates this many bytes in all (its pixels
    // and its decoder's buffers) stays within maximumDecodeBytes.
    static bool admitsDecodeBytes(qint64 bytes);

    // Whether memory of this many bytes could be had now: tells a decode
    // that failed for want of memory from one of a damaged file.
    static bool memoryIsThere(qint64 bytes);

    // Raises Qt's own decoding allocation limit so that it admits every
    // picture the cap admits. Safe to call from any thread, any number of
    // times.
    static void applyToImageReader();
};

} // namespace platform
