#include "platform/graphics/ImageLimits.h"

#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace platform {

bool ImageLimits::admits(qint64 width, qint64 height) {
    if (width < 1 || height < 1) {
        return false;
    }
    // Divide instead of multiplying so that absurd sides cannot overflow.
    return width <= maximumPixelCount / height;
}

bool ImageLimits::admitsDecode(qint64 width, qint64 height, int bitsPerPixel) {
    if (!admits(width, height)) {
        return false;
    }
    const qint64 bytesPerPixel =
        (qint64(std::max(bitsPerPixel, 8)) + 7) / 8 + (bitsPerPixel > 32 ? 4 : 0);
    return width * height <= maximumDecodeBytes / bytesPerPixel;
}

bool ImageLimits::admitsDecodeBytes(qint64 bytes) {
    return bytes >= 0 && bytes <= maximumDecodeBytes;
}

bool ImageLimits::memoryIsThere(qint64 bytes) {
    void* probe = std::malloc(size_t(std::max<qint64>(bytes, 1)));
    std::free(probe);
    return probe != nullptr;
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
