#pragma once

#include "model/units/Point_px.h"
#include "model/units/Rect_px.h"

#include <QImage>

namespace quenta {

// One bitmap cut from a rendered picture and placed on the device.
struct XYBitmapInfo_px {
    // Rows [lowerBound, upperBound).
    struct Range {
        qint64 lowerBound = 0;
        qint64 upperBound = 0;
        bool operator==(const Range&) const = default;
    };

    // The bitmap's origin on the device: x from the edge where the head's
    // travel starts, y the pass's vertical position.
    ambrel::Point_px location_px;
    QImage bitmap;
    // The rows of the rendered picture the bitmap was cut from.
    Range sourceYRange_px;
    qint64 repeatCount = 1;
    qint64 repeatMargin_px = 0;

    // Origin (location x, first source row), size (bitmap width, source rows).
    ambrel::Rect_px sourceRect_px() const;
};

} // namespace quenta
