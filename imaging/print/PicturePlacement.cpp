#include "imaging/print/PicturePlacement.h"

#include "imaging/print/CopyGrid.h"
#include "model/errors/ConnectionError.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quenta {

namespace {

using Wide = __int128;

qint64 saturated(Wide value) {
    return qint64(std::clamp<Wide>(value, std::numeric_limits<qint64>::min(),
                                   std::numeric_limits<qint64>::max()));
}

// Half of the free space, halved in floating point and truncated toward zero.
qint64 halfOf(qint64 space) {
    return qint64(std::trunc(double(space) / 2.0));
}

// Copies that all lie in one place (a margin of minus the size) are drawn
// once: drawing one is drawing all, and a huge repeat count would otherwise
// keep the print drawing the same spot for ever.
PicturePlacement::CopyRange visibleCopies(qint64 origin, qint64 size, qint64 margin, qint64 count,
                                          qint64 low, qint64 high) {
    const auto indices =
        CopyGrid::visible(origin, saturated(Wide(size) + margin), size, count, low, high);
    return {indices.first, indices.end};
}

} // namespace

PicturePlacement::Input
PicturePlacement::inputFor(const ambrel::OriginalImageDrawingOptions& options,
                           const ambrel::Size_px& canvas, ambrel::Dpi dpi) {
    Input input;
    input.canvas = canvas;
    input.imageSize = options.imageSize_px;
    input.orientation = options.imageOrientation;
    input.offsetBase = options.imageOffsetBase;
    input.offsetX = dpi.imagePx(options.imageOffset_mm.x);
    input.offsetY = dpi.imagePx(options.imageOffset_mm.y);
    input.marginX = dpi.imagePx(options.imageRepeatXMargin_mm);
    input.marginY = dpi.imagePx(options.imageRepeatYMargin_mm);
    input.repeatXCount = options.imageRepeatXCount;
    input.repeatYCount = options.imageRepeatYCount;
    return input;
}

PicturePlacement PicturePlacement::compute(const Input& input) {
    PicturePlacement p;
    const ambrel::Size_px size =
        input.orientation.isWidthHeightFlipped() ? input.imageSize.rotated() : input.imageSize;
    if (size.width < 10 && size.height < 10) {
        throw ambrel::ConnectionError(ambrel::ConnectionError::Case::documentImageIsTooSmall);
    }
    p.width = size.width;
    p.height = size.height;
    p.marginX = input.marginX;
    p.marginY = input.marginY;
    p.repeatXCount = input.repeatXCount;
    p.repeatYCount = input.repeatYCount;

    const qint64 freeX = saturated(Wide(input.canvas.width) - p.totalWidth());
    const qint64 freeY = saturated(Wide(input.canvas.height) - p.totalHeight());
    using H = ambrel::OffsetBase::HorizontalPosition;
    using V = ambrel::OffsetBase::VerticalPosition;
    switch (input.offsetBase.horizontalPosition) {
    case H::left:
        p.x = input.offsetX;
        break;
    case H::middle:
        p.x = saturated(Wide(halfOf(freeX)) + input.offsetX);
        break;
    case H::right:
        p.x = saturated(Wide(freeX) - input.offsetX);
        break;
    }
    switch (input.offsetBase.verticalPosition) {
    case V::top:
        p.y = input.offsetY;
        break;
    case V::middle:
        p.y = saturated(Wide(halfOf(freeY)) - input.offsetY);
        break;
    case V::bottom:
        p.y = saturated(Wide(freeY) - input.offsetY);
        break;
    }
    return p;
}

qint64 PicturePlacement::totalWidth() const {
    return CopyGrid::total(width, marginX, repeatXCount);
}

qint64 PicturePlacement::totalHeight() const {
    return CopyGrid::total(height, marginY, repeatYCount);
}

QRectF PicturePlacement::copyRect(qint64 i, qint64 j) const {
    // The corner in 128 bits: a step times an index does not fit in 64.
    return QRectF(double(Wide(x) + (Wide(width) + marginX) * i),
                  double(Wide(y) + (Wide(height) + marginY) * j), double(width), double(height));
}

PicturePlacement::CopyRange PicturePlacement::copiesAcrossWithin(qint64 canvasWidth) const {
    return visibleCopies(x, width, marginX, repeatXCount, 0, canvasWidth);
}

PicturePlacement::CopyRange PicturePlacement::copiesAcrossBetween(qint64 low, qint64 high) const {
    return visibleCopies(x, width, marginX, repeatXCount, low, high);
}

PicturePlacement::CopyRange PicturePlacement::copiesDownBetween(qint64 low, qint64 high) const {
    return visibleCopies(y, height, marginY, repeatYCount, low, high);
}

PicturePlacement::CopyRange PicturePlacement::copiesDownWithin(qint64 canvasHeight) const {
    return visibleCopies(y, height, marginY, repeatYCount, 0, canvasHeight);
}

} // namespace quenta
