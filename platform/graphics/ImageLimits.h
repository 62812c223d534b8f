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

    // Whether a picture of this many pixels may be decoded; sides below 1
    // are refused too.
    static bool admits(qint64 width, qint64 height);

    // Raises Qt's own decoding allocation limit so that it admits every
    // picture the cap admits. Safe to call from any thread, any number of
    // times.
    static void applyToImageReader();
};

} // namespace platform
