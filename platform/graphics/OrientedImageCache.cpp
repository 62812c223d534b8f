#include "platform/graphics/OrientedImageCache.h"

#include "platform/compute/Device.h"
#include "platform/graphics/PageImage.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace platform {

namespace {

// Pictures whose pixels the painter, drawing them onto a gray page, makes
// gray exactly as QImage's conversion to Grayscale8 does: opaque colour, as
// decoders give it and as the upright turn of a photo leaves it.
bool isOpaqueColour(const QImage& image, compute::ThreadPool* pool) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        return true;
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        break;
    default:
        return false;
    }
    // Pictures with any translucent pixel are blended with the page, which a
    // gray copy cannot do: they keep their colour.
    const int h = image.height();
    const int w = image.width();
    // RGBA8888 keeps alpha in its last byte, ARGB32 in the word's top byte.
    const bool bytes = image.format() == QImage::Format_RGBA8888 ||
                       image.format() == QImage::Format_RGBA8888_Premultiplied;
    const int alphaByte = bytes || QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 3 : 0;
    constexpr int strip = 64;
    std::atomic<bool> opaque = true;
    auto check = [&](std::size_t s) {
        const int y1 = std::min(h, int(s + 1) * strip);
        for (int y = int(s) * strip; y < y1 && opaque.load(std::memory_order_relaxed); ++y) {
            const uchar* line = image.constScanLine(y);
            for (int x = 0; x < w; ++x) {
                if (line[4 * x + alphaByte] != 255) {
                    opaque = false;
                    return;
                }
            }
        }
    };
    const std::size_t strips = std::size_t((h + strip - 1) / strip);
    if (pool) {
        pool->parallelFor(strips, check);
    } else {
        for (std::size_t s = 0; s < strips; ++s) {
            check(s);
        }
    }
    return opaque;
}

// A gray picture, or the gray of an opaque colour picture, under a transform
// of quarter turns and mirrors, moved to the origin as QImage::transformed
// moves it. Made on the compute workers in square blocks, so that a turn
// reads and writes whole lines of the cache; a colour block is made gray by
// Qt's own conversion, which gives the painter's gray to the bit.
// A made picture is given up (null) when stillWanted turns false on the way.
// Without onWorkers it is made on the calling thread alone, in memory of its
// own: a picture drawn once, by one of several drawings at once.
QImage orientedGray(
    const QImage& image, const QTransform& t, const std::function<bool()>& stillWanted = {},
    compute::TextureMemory::Lifetime lifetime = compute::TextureMemory::Lifetime::transient,
    bool onWorkers = true) {
    const int w = image.width();
    const int h = image.height();
    const bool keepsAxes = t.m11() != 0;
    const int width = keepsAxes ? w : h;
    const int height = keepsAxes ? h : w;
    const auto device = onWorkers ? compute::Device::systemDefault() : nullptr;
    // Written whole below; page-sized copies are reused from print to print.
    QImage result = device ? PageImage::gray(width, height, (qsizetype(width) + 3) / 4 * 4,
                                             device->threadPool(), lifetime)
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
    auto sourceX = [&](int X, int Y) {
        const int along = keepsAxes ? X : Y;
        return xForward ? along : w - 1 - along;
    };
    auto sourceY = [&](int X, int Y) {
        const int along = keepsAxes ? Y : X;
        return yForward ? along : h - 1 - along;
    };
    const bool gray = image.format() == QImage::Format_Grayscale8;
    const uchar* const pixels = image.constBits();
    const qsizetype stride = image.bytesPerLine();
    const int depth = image.depth() / 8;
    const bool isQRgb = image.format() == QImage::Format_RGB32 ||
                        image.format() == QImage::Format_ARGB32 ||
                        image.format() == QImage::Format_ARGB32_Premultiplied;
    uchar* const resultPixels = result.bits();
    const qsizetype resultStride = result.bytesPerLine();
    constexpr int block = 64;
    const int blockRows = (height + block - 1) / block;
    std::atomic<bool> givenUp = false;
    auto blockRow = [&](std::size_t b) {
        if (givenUp.load(std::memory_order_relaxed)) {
            return;
        }
        if (stillWanted && !stillWanted()) {
            givenUp = true;
            return;
        }
        const int y0 = int(b) * block;
        const int y1 = std::min(height, y0 + block);
        for (int x0 = 0; x0 < width; x0 += block) {
            const int x1 = std::min(width, x0 + block);
            // The picture's part that this block shows.
            const int sx0 = std::min(sourceX(x0, y0), sourceX(x1 - 1, y1 - 1));
            const int sy0 = std::min(sourceY(x0, y0), sourceY(x1 - 1, y1 - 1));
            const int sw = std::abs(sourceX(x0, y0) - sourceX(x1 - 1, y1 - 1)) + 1;
            const int sh = std::abs(sourceY(x0, y0) - sourceY(x1 - 1, y1 - 1)) + 1;
            const uchar* tile = pixels + sy0 * stride + qsizetype(sx0) * depth;
            qsizetype tileStride = stride;
            QImage grayTile;
            if (!gray) {
                grayTile = QImage(tile, sw, sh, stride, image.format());
                // Qt makes the painter's gray from its own 32-bit formats;
                // the others reach them without loss first.
                if (!isQRgb) {
                    grayTile = grayTile.convertToFormat(QImage::Format_ARGB32);
                }
                grayTile = grayTile.convertToFormat(QImage::Format_Grayscale8);
                tile = grayTile.constBits();
                tileStride = grayTile.bytesPerLine();
            }
            // Along a result row the picture is walked by one pixel or one line.
            const qsizetype step =
                keepsAxes ? (xForward ? 1 : -1) : (yForward ? tileStride : -tileStride);
            for (int Y = y0; Y < y1; ++Y) {
                uchar* out = resultPixels + Y * resultStride;
                const uchar* in =
                    tile + (sourceY(x0, Y) - sy0) * tileStride + (sourceX(x0, Y) - sx0);
                for (int X = x0; X < x1; ++X, in += step) {
                    out[X] = *in;
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
    return givenUp ? QImage() : result;
}

bool isQuarterTurnOrMirror(const QTransform& t) {
    auto unit = [](double v) { return v == 1 || v == -1; };
    return t.type() <= QTransform::TxRotate && t.dx() == 0 && t.dy() == 0 &&
           ((unit(t.m11()) && unit(t.m22()) && t.m12() == 0 && t.m21() == 0) ||
            (unit(t.m12()) && unit(t.m21()) && t.m11() == 0 && t.m22() == 0));
}

} // namespace

OrientedImageCache::Kept& OrientedImageCache::kept() {
    static Kept kept;
    return kept;
}

QImage OrientedImageCache::oriented(const QImage& image, const QTransform& orientation,
                                    bool grayPage) {
    // The lock is held while turning: the others need the same picture and
    // would only turn it again.
    std::lock_guard lock(m_mutex);
    for (const Entry& e : m_entries) {
        if (e.source.cacheKey() == image.cacheKey() && e.orientation == orientation &&
            e.grayPage == grayPage) {
            return e.result;
        }
    }
    const bool turns = isQuarterTurnOrMirror(orientation);
    QImage result;
    if (image.format() == QImage::Format_Grayscale8 && turns) {
        result = orientedGray(image, orientation);
    } else if (turns && grayPage) {
        result = keptGray(image, orientation);
    }
    if (result.isNull()) {
        result = image.transformed(orientation, Qt::FastTransformation);
    }
    m_entries.push_back(Entry{image, orientation, grayPage, result});
    return result;
}

QImage OrientedImageCache::orientedOnce(const QImage& image, const QTransform& orientation) {
    if (orientation.isIdentity()) {
        return image; // shared, as Qt shares it: nothing is copied
    }
    if (image.format() == QImage::Format_Grayscale8 && isQuarterTurnOrMirror(orientation)) {
        const QImage result = orientedGray(image, orientation, {},
                                           compute::TextureMemory::Lifetime::transient, false);
        if (!result.isNull()) {
            return result;
        }
    }
    return image.transformed(orientation, Qt::FastTransformation);
}

QImage OrientedImageCache::keptGray(const QImage& image, const QTransform& orientation) {
    Kept& k = kept();
    std::lock_guard lock(k.mutex);
    if (k.key == image.cacheKey() && k.orientation == orientation && !k.result.isNull()) {
        return k.result;
    }
    return makeKept(k, image, orientation, {});
}

QImage OrientedImageCache::makeKept(Kept& k, const QImage& image, const QTransform& orientation,
                                    const std::function<bool()>& stillWanted) {
    const auto device = compute::Device::systemDefault();
    if (!isOpaqueColour(image, device ? &device->threadPool() : nullptr)) {
        return QImage();
    }
    // Only the latest colour picture is kept: a print of another picture, or
    // of this one turned or mirrored otherwise, lets the old gray go.
    k.key = 0;
    k.result = QImage();
    // Kept from print to print, so it leaves the memory kept for the page
    // to the page.
    QImage result =
        orientedGray(image, orientation, stillWanted, compute::TextureMemory::Lifetime::lasting);
    if (result.isNull()) {
        return result;
    }
    k.result = result;
    k.key = image.cacheKey();
    k.orientation = orientation;
    ++k.made;
    return k.result;
}

namespace {

// One thread, of the lowest priority, asks for the pictures and waits for
// their decodes; the making itself runs on the compute workers.
QThreadPool& preparationQueue() {
    static QThreadPool* queue = [] {
        auto* pool = new QThreadPool;
        pool->setMaxThreadCount(1);
        pool->setThreadPriority(QThread::LowestPriority);
        return pool;
    }();
    return *queue;
}

} // namespace

void OrientedImageCache::stopPreparationsAtExit() {
    // A preparation under way gives up, and is over before the kept picture
    // and the compute workers go with the process's statics.
    ++kept().requested;
    preparationQueue().waitForDone();
}

void OrientedImageCache::prepare(std::function<QImage()> picture, const QTransform& orientation) {
    // Made before the handler is registered, so that they outlive it.
    static const bool stopsAtExit = [] {
        compute::Device::systemDefault();
        kept();
        preparationQueue();
        return std::atexit(stopPreparationsAtExit) == 0;
    }();
    Q_UNUSED(stopsAtExit);
    const quint64 request = ++kept().requested;
    if (!isQuarterTurnOrMirror(orientation)) {
        return;
    }
    preparationQueue().start([request, picture = std::move(picture), orientation] {
        runPreparation(request, picture, orientation);
    });
}

void OrientedImageCache::runPreparation(quint64 request, const std::function<QImage()>& picture,
                                        const QTransform& orientation) {
    Kept& k = kept();
    auto stillWanted = [&k, request] { return k.requested.load() == request; };
    if (!stillWanted()) {
        return;
    }
    const QImage image = picture ? picture() : QImage();
    if (image.isNull() || image.format() == QImage::Format_Grayscale8 || !stillWanted()) {
        return;
    }
    std::lock_guard lock(k.mutex);
    // A print may have made it meanwhile.
    if (!stillWanted() ||
        (k.key == image.cacheKey() && k.orientation == orientation && !k.result.isNull())) {
        return;
    }
    makeKept(k, image, orientation, stillWanted);
}

void OrientedImageCache::waitForPreparations() {
    preparationQueue().waitForDone();
}

int OrientedImageCache::colourPicturesMadeGray() {
    Kept& k = kept();
    std::lock_guard lock(k.mutex);
    return k.made;
}

void OrientedImageCache::dropKeptGray() {
    Kept& k = kept();
    std::lock_guard lock(k.mutex);
    k.key = 0;
    k.result = QImage();
}

} // namespace platform
