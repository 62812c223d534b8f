#include "app/tavrin/TavrinPicturePlacement.h"

#include "model/ConnectionError.h"

#include <cmath>

namespace lunvik {

namespace {

// Half of the free space, halved in floating point and truncated toward zero.
qint64 halfOf(qint64 space) {
    return qint64(std::trunc(double(space) / 2.0));
}

} // namespace

TavrinPicturePlacement TavrinPicturePlacement::compute(const Input& input) {
    TavrinPicturePlacement p;
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

    const qint64 freeX = input.canvas.width - p.totalWidth();
    const qint64 freeY = input.canvas.height - p.totalHeight();
    using H = ambrel::OffsetBase::HorizontalPosition;
    using V = ambrel::OffsetBase::VerticalPosition;
    switch (input.offsetBase.horizontalPosition) {
    case H::left:
        p.x = input.offsetX;
        break;
    case H::middle:
        p.x = halfOf(freeX) + input.offsetX;
        break;
    case H::right:
        p.x = freeX - input.offsetX;
        break;
    }
    switch (input.offsetBase.verticalPosition) {
    case V::top:
        p.y = input.offsetY;
        break;
    case V::middle:
        p.y = halfOf(freeY) - input.offsetY;
        break;
    case V::bottom:
        p.y = freeY - input.offsetY;
        break;
    }
    return p;
}

QRect TavrinPicturePlacement::copyRect(qint64 i, qint64 j) const {
    return QRect(int(x + (width + marginX) * i), int(y + (height + marginY) * j), int(width),
                 int(height));
}

} // namespace lunvik
