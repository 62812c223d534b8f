#include "platform/graphics/ImageLimits.h"

#include <QImageReader>

#include <mutex>

namespace platform {

bool ImageLimits::admits(qint64 width, qint64 height) {
    if (width < 1 || height < 1) {
        return false;
    }
    // Divide instead of multiplying so that absurd sides cannot overflow.
    return width <= maximumPixelCount / height;
}

void ImageLimits::applyToImageReader() {
    static std::once_flag once;
    std::call_once(once, [] {
        constexpr qint64 megabyte = 1024 * 1024;
        constexpr qint64 limit = (maximumPixelCount * maximumBytesPerPixel) / megabyte + 1;
        QImageReader::setAllocationLimit(int(limit));
    });
}

} // namespace platform
