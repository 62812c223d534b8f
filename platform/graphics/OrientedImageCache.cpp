#include "platform/graphics/OrientedImageCache.h"

#include "platform/compute/Device.h"
#include "platform/graphics/PageImage.h"

#include <algorithm>

namespace platform {

namespace {

// A gray picture under a transform of quarter turns and mirrors, moved to
// the origin as QImage::transformed moves it: a pure permutation of the
// pixels, made on the compute workers in square blocks so that a turn reads
// and writes whole lines of the cache.
QImage orientedGray(const QImage& image, const QTransform& t) {
    const int w = image.width();
    const int h = image.height();
    const bool keepsAxes = t.m11() != 0;
    const int width = keepsAxes ? w : h;
    const int height = keepsAxes ? h : w;
    const auto device = compute::Device::systemDefault();
    // Written whole below; page-sized copies are reused from print to print.
    QImage result = device ? PageImage::gray(width, height, (qsizetype(width) + 3) / 4 * 4,
                                             device->threadPool())
                           : QImage();
    if (result.isNull()) {
        result = QImage(width, height, QImage::Format_Grayscale8);
    }
    if (result.isNull()) {
        return result;
    }
    // Where result pixel (X, Y) comes from: each result axis follows one
    // picture axis, forwards (+1) or backwards (-1).
    const bool xForward = keepsAxes ? t.m11() > 0 : t.m12() > 0;
    const bool yForward = keepsAxes ? t.m22() > 0 : t.m21() > 0;
    const uchar* const pixels = image.constBits();
    const qsizetype stride = image.bytesPerLine();
    uchar* const resultPixels = result.bits();
    const qsizetype resultStride = result.bytesPerLine();
    constexpr int block = 64;
    const int blockRows = (height + block - 1) / block;
    auto blockRow = [&](std::size_t b) {
        const int y0 = int(b) * block;
        const int y1 = std::min(height, y0 + block);
        for (int x0 = 0; x0 < width; x0 += block) {
            const int x1 = std::min(width, x0 + block);
            for (int Y = y0; Y < y1; ++Y) {
                uchar* out = resultPixels + Y * resultStride;
                if (keepsAxes) {
                    const uchar* in = pixels + (yForward ? Y : h - 1 - Y) * stride;
                    for (int X = x0; X < x1; ++X) {
                        out[X] = in[xForward ? X : w - 1 - X];
                    }
                } else {
                    // Result rows run along the picture's columns.
                    const uchar* column = pixels + (xForward ? Y : w - 1 - Y);
                    if (yForward) {
                        for (int X = x0; X < x1; ++X) {
                            out[X] = column[X * stride];
                        }
                    } else {
                        for (int X = x0; X < x1; ++X) {
                            out[X] = column[(h - 1 - X) * stride];
                        }
                    }
                }
            }
        }
    };
    if (device) {
        device->threadPool().parallelFor(std::size_t(blockRows), blockRow);
    } else {
        for (int b = 0; b < blockRows; ++b) {
            blockRow(std::size_t(b));
        }
    }
    return result;
}

bool isQuarterTurnOrMirror(const QTransform& t) {
    auto unit = [](double v) { return v == 1 || v == -1; };
    return t.type() <= QTransform::TxRotate && t.dx() == 0 && t.dy() == 0 &&
           ((unit(t.m11()) && unit(t.m22()) && t.m12() == 0 && t.m21() == 0) ||
            (unit(t.m12()) && unit(t.m21()) && t.m11() == 0 && t.m22() == 0));
}

} // namespace

QImage OrientedImageCache::oriented(const QImage& image, const QTransform& orientation) {
    // The lock is held while turning: the others need the same picture and
    // would only turn it again.
    std::lock_guard lock(m_mutex);
    for (const Entry& e : m_entries) {
        if (e.source.cacheKey() == image.cacheKey() && e.orientation == orientation) {
            return e.result;
        }
    }
    QImage result =
        image.format() == QImage::Format_Grayscale8 && isQuarterTurnOrMirror(orientation)
            ? orientedGray(image, orientation)
            : image.transformed(orientation, Qt::FastTransformation);
    m_entries.push_back(Entry{image, orientation, result});
    return result;
}

} // namespace platform
