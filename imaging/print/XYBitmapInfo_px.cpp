#include "imaging/print/XYBitmapInfo_px.h"

#include "platform/Log.h"

namespace quenta {

ambrel::Rect_px XYBitmapInfo_px::sourceRect_px() const {
    qint64 height = 0;
    if (__builtin_sub_overflow(sourceYRange_px.upperBound, sourceYRange_px.lowerBound, &height)) {
        platform::Log::fatal(QStringLiteral("The source rows of a bitmap do not form a range."));
    }
    return {{location_px.x, sourceYRange_px.lowerBound}, {bitmap.width(), height}};
}

} // namespace quenta
