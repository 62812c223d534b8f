#pragma once

#include "model/ImageRotation.h"
#include "model/OffsetBase.h"
#include "model/Size_px.h"

#include <QRect>

namespace lunvik {

// Where the picture and its repeats land on the canvas, in device pixels with
// the origin at the canvas's top left and y growing downward. Right and
// bottom anchors count their offsets leftward and upward from their edges, as
// the canvas shows them.
struct TavrinPicturePlacement {
    struct Input {
        ambrel::Size_px canvas;    // W x H
        ambrel::Size_px imageSize; // before turning
        ambrel::ImageRotation orientation;
        ambrel::OffsetBase offsetBase = ambrel::OffsetBase::center;
        qint64 offsetX = 0;
        qint64 offsetY = 0;
        qint64 marginX = 0;
        qint64 marginY = 0;
        qint64 repeatXCount = 1;
        qint64 repeatYCount = 1;
    };

    // The first copy's top left corner.
    qint64 x = 0;
    qint64 y = 0;
    // One copy, as turned.
    qint64 width = 0;
    qint64 height = 0;
    qint64 marginX = 0;
    qint64 marginY = 0;
    qint64 repeatXCount = 1;
    qint64 repeatYCount = 1;

    // Throws ConnectionError documentImageIsTooSmall when both sides of the
    // turned picture are below 10 pixels.
    static TavrinPicturePlacement compute(const Input& input);

    qint64 totalWidth() const { return width * repeatXCount + marginX * (repeatXCount - 1); }
    qint64 totalHeight() const { return height * repeatYCount + marginY * (repeatYCount - 1); }
    // Copy (i, j): i across, j down.
    QRect copyRect(qint64 i, qint64 j) const;
};

} // namespace lunvik
