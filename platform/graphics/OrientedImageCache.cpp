#include "platform/graphics/OrientedImageCache.h"

#include "platform/FirstFrameGate.h"
#include "platform/compute/Device.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/PageImage.h"
#include "platform/graphics/TurnedPictureStrips.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>

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
// moves it. Made on the compute workers in bands of the picture's rows, each
// in square blocks, so that a turn reads and writes whole lines of the cache;
// a colour block is made gray by Qt's own conversion, which gives the
// painter's gray to the bit. With `rows`, the picture is still being decoded:
// each band is made as soon as its rows are there.
// A made picture is given up (null) when stillWanted turns false on the way,
// or when the decode ends before all rows are there.
// Without onWorkers it is made on the calling thread alone, in memory of its
// own: a picture drawn once, by one of several drawings at once. A
// preparation (`yieldsToFirstFrame`) makes one band at a time on the calling
// thread while the first window is drawn (FirstFrameGate), rather than
// taking every core from it.
QImage orientedGray(
    const QImage& image, const QTransform& t, const std::function<bool()>& stillWanted = {},
    compute::TextureMemory::Lifetime lifetime = compute::TextureMemory::Lifetime::transient,
    DecodingRows* rows = nullptr, bool onWorkers = true, bool yieldsToFirstFrame = false) {
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
    // Each result axis follows one picture axis, forwards (+1) or backwards
    // (-1): picture pixel (x, y) lands at (X, Y).
    const bool xForward = keepsAxes ? t.m11() > 0 : t.m12() > 0;
    const bool yForward = keepsAxes ? t.m22() > 0 : t.m21() > 0;
    const bool gray = image.format() == QImage::Format_Grayscale8;
    const uchar* const pixels = image.constBits();
    const qsizetype stride = image.bytesPerLine();
    const int depth = image.depth() / 8;
    const bool isQRgb = image.format() == QImage::Format_RGB32 ||
                        image.format() == QImage::Format_ARGB32 ||
                        image.format() == QImage::Format_ARGB32_Premultiplied;
    uchar* const resultPixels = result.bits();
    const qsizetype resultStride = result.bytesPerLine();
    // Along a picture row the result is walked by one pixel or one line.
    const qsizetype step =
        keepsAxes ? (xForward ? 1 : -1) : (xForward ? resultStride : -resultStride);
    constexpr int block = 64;
    const int bands = (h + block - 1) / block;
    std::atomic<bool> givenUp = false;
    auto band = [&](std::size_t b) {
        if (givenUp.load(std::memory_order_relaxed)) {
            return;
        }
        if (stillWanted && !stillWanted()) {
            givenUp = true;
            return;
        }
        const int y0 = int(b) * block;
        const int y1 = std::min(h, y0 + block);
        for (int x0 = 0; x0 < w; x0 += block) {
            const int x1 = std::min(w, x0 + block);
            const uchar* tile = pixels + y0 * stride + qsizetype(x0) * depth;
            qsizetype tileStride = stride;
            QImage grayTile;
            if (!gray) {
                grayTile = QImage(tile, x1 - x0, y1 - y0, stride, image.format());
                // Qt makes the painter's gray from its own 32-bit formats;
                // the others reach them without loss first.
                if (!isQRgb) {
                    grayTile = grayTile.convertToFormat(QImage::Format_ARGB32);
                }
                grayTile = grayTile.convertToFormat(QImage::Format_Grayscale8);
                tile = grayTile.constBits();
                tileStride = grayTile.bytesPerLine();
            }
            const int along = xForward ? x0 : w - 1 - x0;
            for (int y = y0; y < y1; ++y) {
                const int across = yForward ? y : h - 1 - y;
                uchar* out = keepsAxes ? resultPixels + across * resultStride + along
                                       : resultPixels + qsizetype(along) * resultStride + across;
                const uchar* in = tile + (y - y0) * tileStride;
                for (int x = x0; x < x1; ++x, out += step) {
                    *out = in[x - x0];
                }
            }
        }
    };
    auto makeBands = [&](int first, int end) {
        while (yieldsToFirstFrame && first < end && !FirstFrameGate::isOpen()) {
            band(std::size_t(first++));
        }
        if (device) {
            device->threadPool().parallelFor(std::size_t(end - first),
                                             [&](std::size_t i) { band(first + i); });
        } else {
            for (int b = first; b < end; ++b) {
                band(std::size_t(b));
            }
        }
    };
    if (!rows) {
        makeBands(0, bands);
        return givenUp ? QImage() : result;
    }
    // Two bands at a time keep pace with the decoder on about two cores,
    // leaving the others to the decoder itself and to the window; a backlog
    // (rows that came before this began, or while the workers were busy) is
    // made at once, on all of them.
    const int bandsAtOnce = 2;
    int made = 0;
    while (made < bands && !givenUp) {
        const int done = rows->waitForRows(std::min(h, (made + bandsAtOnce) * block));
        const int ready = done >= h ? bands : done / block;
        if (ready <= made) {
            return QImage(); // the decode ended early
        }
        makeBands(made, ready);
        made = ready;
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
    std::shared_ptr<const QImage> shared;
    if (image.format() == QImage::Format_Grayscale8 && turns) {
        shared = sharedGrayTurn(image, orientation);
        result = *shared;
    } else if (turns && grayPage) {
        result = keptGray(image, orientation);
    }
    if (result.isNull() && !(turns && TurnedPictureStrips::appliesTo(image, orientation))) {
        result = image.transformed(orientation, Qt::FastTransformation);
    }
    m_entries.push_back(Entry{image, orientation, grayPage, result, std::move(shared)});
    return result;
}

std::shared_ptr<const QImage> OrientedImageCache::sharedGrayTurn(const QImage& image,
                                                                 const QTransform& orientation) {
    struct Turn {
        qint64 key;
        QTransform orientation;
        std::weak_ptr<const QImage> turned;
    };
    // Never destroyed: caches may outlive the process's statics.
    static auto* mutex = new std::mutex;
    static auto* turns = new std::vector<Turn>;
    // Held while turning, as a cache's lock is: whoever asks meanwhile needs
    // the same turn.
    std::lock_guard lock(*mutex);
    std::erase_if(*turns, [](const Turn& t) { return t.turned.expired(); });
    for (const Turn& t : *turns) {
        if (t.key == image.cacheKey() && t.orientation == orientation) {
            if (auto turned = t.turned.lock()) {
                return turned;
            }
        }
    }
    auto turned = std::make_shared<const QImage>(orientedGray(image, orientation));
    if (!turned->isNull()) {
        turns->push_back(Turn{image.cacheKey(), orientation, turned});
    }
    return turned;
}

QImage OrientedImageCache::orientedOnce(const QImage& image, const QTransform& orientation) {
    if (orientation.isIdentity()) {
        return image; // shared, as Qt shares it: nothing is copied
    }
    if (image.format() == QImage::Format_Grayscale8 && isQuarterTurnOrMirror(orientation)) {
        const QImage result = orientedGray(
            image, orientation, {}, compute::TextureMemory::Lifetime::transient, nullptr, false);
        if (!result.isNull()) {
            return result;
        }
    }
    if (isQuarterTurnOrMirror(orientation) && TurnedPictureStrips::appliesTo(image, orientation)) {
        return QImage();
    }
    return image.transformed(orientation, Qt::FastTransformation);
}

QImage OrientedImageCache::keptGray(const QImage& image, const QTransform& orientation) {
    Kept& k = kept();
    std::lock_guard lock(k.mutex);
    if (k.key == image.cacheKey() && k.orientation == orientation && !k.result.isNull()) {
        return k.result;
    }
    return makeKept(k, image, orientation, {}, false);
}

QImage OrientedImageCache::makeKept(Kept& k, const QImage& image, const QTransform& orientation,
                                    const std::function<bool()>& stillWanted, bool isPreparation) {
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
        orientedGray(image, orientation, stillWanted, compute::TextureMemory::Lifetime::lasting,
                     nullptr, true, isPreparation);
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

// Whether the rows and the turn are those of the latest request, which then
// stands: the gray follows the same decode. A request without rows is new.
bool OrientedImageCache::isLatestRequest(const std::shared_ptr<DecodingRows>& rows,
                                         const QTransform& orientation) {
    static std::mutex mutex;
    static std::weak_ptr<DecodingRows> latestRows;
    static QTransform latestOrientation;
    std::lock_guard lock(mutex);
    if (rows && latestRows.lock() == rows && latestOrientation == orientation) {
        return true;
    }
    latestRows = rows;
    latestOrientation = orientation;
    return false;
}

void OrientedImageCache::prepare(std::function<QImage()> picture, const QTransform& orientation,
                                 std::shared_ptr<DecodingRows> rows) {
    // Made before the handler is registered, so that they outlive it.
    static const bool stopsAtExit = [] {
        compute::Device::systemDefault();
        kept();
        preparationQueue();
        return std::atexit(stopPreparationsAtExit) == 0;
    }();
    Q_UNUSED(stopsAtExit);
    if (isLatestRequest(rows, orientation)) {
        return;
    }
    const quint64 request = ++kept().requested;
    if (!isQuarterTurnOrMirror(orientation)) {
        return;
    }
    preparationQueue().start([request, picture = std::move(picture), orientation, rows] {
        runPreparation(request, picture, orientation, rows.get());
    });
}

bool OrientedImageCache::makeKeptWhileDecoding(Kept& k, DecodingRows& rows,
                                               const std::function<QImage()>& picture,
                                               const QTransform& orientation,
                                               const std::function<bool()>& stillWanted) {
    const auto decoding = rows.waitForStart(stillWanted);
    if (!decoding || decoding->format() != QImage::Format_RGB32) {
        return false;
    }
    std::lock_guard lock(k.mutex);
    if (!stillWanted()) {
        return false;
    }
    k.key = 0;
    k.result = QImage();
    const QImage result =
        orientedGray(*decoding, orientation, stillWanted, compute::TextureMemory::Lifetime::lasting,
                     &rows, true, true);
    const QImage image = picture();
    // The gray is the picture's only when the decode gave it these very
    // pixels, unturned.
    if (result.isNull() || image.constBits() != decoding->constBits() ||
        image.size() != decoding->size() || image.format() != decoding->format()) {
        return false;
    }
    k.result = result;
    k.key = image.cacheKey();
    k.orientation = orientation;
    ++k.made;
    return true;
}

void OrientedImageCache::runPreparation(quint64 request, const std::function<QImage()>& picture,
                                        const QTransform& orientation, DecodingRows* rows) {
    Kept& k = kept();
    auto stillWanted = [&k, request] { return k.requested.load() == request; };
    if (!stillWanted()) {
        return;
    }
    // A picture still decoding row by row is made gray as its rows come.
    if (rows && makeKeptWhileDecoding(k, *rows, picture, orientation, stillWanted)) {
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
    makeKept(k, image, orientation, stillWanted, true);
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
