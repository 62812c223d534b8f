#include "imaging/print/PixelSplitJob.h"

#include "imaging/print/BlackColumnScanner.h"
#include "imaging/print/CopyGrid.h"
#include "imaging/print/ImageExtensions.h"
#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/Progress.h"

#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace quenta {

namespace {

constexpr qint64 scanChunkColumns = 700;

} // namespace

bool PixelSplitJob::isCancelled() const {
    return progress && progress->isCancelled();
}

qint64 PixelSplitJob::verticalStart() const {
    using V = ambrel::OffsetBase::VerticalPosition;
    switch (options.imageOffsetBase.verticalPosition) {
    case V::top:
        return off_y;
    case V::middle:
        return qint64(std::trunc(double(H_c - totalH) / 2.0)) - off_y;
    case V::bottom:
        return H_c - off_y - totalH;
    }
    return off_y;
}

namespace {

// Hints every drawing of the picture uses, then the drawing, in a saved state.
GrayPass::Drawing withHints(bool isVector, const GrayPass::Drawing& drawing) {
    return [isVector, &drawing](platform::GraphicsContext& context) {
        ambrel::GraphicsExtensions::performSavingGState(context, [&] {
            if (isVector) {
                context.setInterpolationQuality(
                    platform::GraphicsContext::InterpolationQuality::high);
            } else {
                context.setShouldAntialias(false);
            }
            context.setAllowsAntialiasing(false);
            drawing(context);
        });
    };
}

// A copy whose place is a whole-pixel move of the stamp's own is stamped;
// any other transform draws the picture.
bool stampCopy(platform::GraphicsContext& context, const QRectF& rect, const QImage& stamp) {
    const QTransform t = context.userToDevice();
    if (t.type() > QTransform::TxScale || t.m11() != 1 || t.m22() != -1) {
        return false;
    }
    const QRectF device = t.mapRect(rect);
    if (device.x() != std::round(device.x()) || device.y() != std::round(device.y())) {
        return false;
    }
    QPainter& painter = context.painter();
    painter.save();
    painter.setWorldTransform(QTransform());
    painter.drawImage(QPoint(int(device.x()), int(device.y())), stamp);
    painter.restore();
    return true;
}

} // namespace

void PixelSplitJob::makeStamp() {
    const qint64 passPixels = visibleW * std::max<qint64>(H, 1);
    if (m_x < 0 || m_y < 0 || w < 1 || h < 1 || w > visibleW * 4 || h > passPixels * 2 / w) {
        return;
    }
    auto* data = static_cast<uchar*>(std::malloc(size_t(w * h)));
    if (!data) {
        return;
    }
    QImage copy(
        data, int(w), int(h), qsizetype(w), QImage::Format_Grayscale8,
        [](void* p) { std::free(p); }, data);
    GrayPass::draw(data, w, h, sildorContext->device()->threadPool(),
                   withHints(image->isVector(),
                             [&](platform::GraphicsContext& context) {
                                 context.setGrayFillColor(1.0, 1.0);
                                 context.fill(QRectF(0, 0, double(w), double(h)));
                                 image->draw(QRectF(0, 0, double(w), double(h)),
                                             options.imageOrientation, options.flipsImageHorizontal,
                                             context, true);
                             }),
                   !image->isVector());
    stamp = copy;
}

void PixelSplitJob::draw(GrayPass& pass, const GrayPass::Drawing& drawing) const {
    pass.draw(withHints(image->isVector(), drawing), !image->isVector());
}

void PixelSplitJob::drawCopies(platform::GraphicsContext& context, qint64 y, qint64 rows) const {
    // The device in the context's current user space.
    const QRectF device = context.userToDevice().inverted().mapRect(
        QRectF(0, 0, context.deviceSize().width(), context.deviceSize().height()));
    const auto across =
        CopyGrid::visible(-inset.left, w + m_x, w, N_x, qint64(std::floor(device.left())),
                          qint64(std::ceil(device.right())));
    const auto down = CopyGrid::visible(y, h + m_y, h, rows, qint64(std::floor(device.top())),
                                        qint64(std::ceil(device.bottom())));
    for (qint64 i = across.first; i < across.end; ++i) {
        for (qint64 k = down.first; k < down.end; ++k) {
            const QRectF rect(double(copyX(i)), double(y + (h + m_y) * k), double(w), double(h));
            if (!stamp || !stampCopy(context, rect, *stamp)) {
                image->draw(rect, options.imageOrientation, options.flipsImageHorizontal, context,
                            true);
            }
        }
    }
}

IndexSet PixelSplitJob::blackColumns(const GrayPass& pass) const {
    const qint64 chunks = (visibleW + scanChunkColumns - 1) / scanChunkColumns;
    std::vector<IndexSet> results(static_cast<size_t>(chunks));
    const std::uint8_t* pixels = pass.pixels();
    sildorContext->device()->threadPool().parallelFor(size_t(chunks), [&](std::size_t chunk) {
        BlackColumnScanner::scanBlackColumns(qint64(chunk), scanChunkColumns, visibleW, H,
                                             info.headPrintsImageFromRight, 0, pixels, results);
    });
    IndexSet all;
    for (const IndexSet& set : results) {
        all.formUnion(set);
    }
    return all;
}

IndexSet PixelSplitJob::joinedColumns(const IndexSet& columns, std::optional<qint64> minSep,
                                      std::optional<qint64> maxBlack) {
    IndexSet joined = columns;
    const auto& ranges = columns.rangeView();
    if (ranges.empty()) {
        return joined;
    }
    qint64 groupStart = ranges.front().lowerBound;
    qint64 previousEnd = ranges.front().upperBound;
    for (size_t k = 1; k < ranges.size(); ++k) {
        const qint64 lo = ranges[k].lowerBound;
        const bool separated = (minSep && lo >= previousEnd - 1 + *minSep) ||
                               (maxBlack && lo - groupStart > *maxBlack);
        if (separated) {
            groupStart = lo;
        } else {
            joined.insert(IndexSet::Range{previousEnd - 1, lo + 1});
        }
        previousEnd = ranges[k].upperBound;
    }
    return joined;
}

std::pair<QImage, qint64> PixelSplitJob::addSequenceWhitespace(const QImage& bitmap, qint64 x,
                                                               const ImageSplitDeviceInfo& info,
                                                               qint64 wsStart, qint64 wsEnd,
                                                               qint64 canvasWidth) {
    if (!info.supportsMultipleSequences) {
        return {bitmap, x};
    }
    // The margins never reach past the canvas's edges; the end one may be
    // negative when the bitmap already reaches beyond the far edge.
    const qint64 s = std::min(wsStart, x);
    const qint64 e = std::min(wsEnd, canvasWidth - bitmap.width() - x);
    const qint64 left = info.headPrintsImageFromRight ? e : s;
    const auto padded = ImageExtensions::croppingOrAddingWhitespace(
        bitmap, QRect(int(-left), 0, int(bitmap.width() + s + e), bitmap.height()));
    if (!padded) {
        platform::Log::fatal(QStringLiteral("Blank margins of %1 and %2 pixels cannot be added "
                                            "to a bitmap %3 pixels wide.")
                                 .arg(s)
                                 .arg(e)
                                 .arg(bitmap.width()));
    }
    return {*padded, x - s};
}

QList<XYBitmapInfo_px> PixelSplitJob::cutPass(GrayPass& pass, qint64 passY,
                                              XYBitmapInfo_px::Range sourceRows) const {
    pass.convert(options.imageBitmapConversion, configuration);
    const IndexSet joined = joinedColumns(blackColumns(pass), minSep, maxBlack);
    QList<XYBitmapInfo_px> records;
    const QImage image = pass.image();
    const QRect whole(0, 0, int(visibleW), int(H));
    for (const IndexSet::Range& r : joined.rangeView()) {
        const qint64 x = info.headPrintsImageFromRight ? visibleW - r.upperBound : r.lowerBound;
        const QRect rect =
            QRect(int(x), 0, int(r.upperBound - r.lowerBound), int(H)).intersected(whole);
        if (rect.isEmpty()) {
            continue;
        }
        const auto [bitmap, location] =
            addSequenceWhitespace(image.copy(rect), x0 + r.lowerBound, info, ws_start, ws_end, W_c);
        XYBitmapInfo_px record;
        record.location_px = {location, passY};
        record.bitmap = bitmap;
        record.sourceYRange_px = sourceRows;
        records.append(record);
    }
    return records;
}

} // namespace quenta
