#pragma once

#include "model/pictures/ImageRotation.h"
#include "model/pictures/OffsetBase.h"
#include "model/pictures/OriginalImageDrawingOptions.h"
#include "model/units/Dpi.h"
#include "model/units/Size_px.h"

#include <QRectF>

namespace quenta {

// Where the picture and its repeats land on the canvas, in device pixels with
// the origin at the canvas's top left and y growing downward. Right and
// bottom anchors count their offsets leftward and upward from their edges, as
// the canvas shows them.
struct PicturePlacement {
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

    // A document's placement on a canvas of the given pixels, its lengths
    // in pixels at the resolution.
    static Input inputFor(const ambrel::OriginalImageDrawingOptions& options,
                          const ambrel::Size_px& canvas, ambrel::Dpi dpi);

    // Throws ConnectionError documentImageIsTooSmall when both sides of the
    // turned picture are below 10 pixels.
    static PicturePlacement compute(const Input& input);

    // Sizes and positions saturate at the ends of qint64 rather than wrap, so
    // a block far off the canvas stays off it.
    qint64 totalWidth() const;
    qint64 totalHeight() const;
    // Copy (i, j): i across, j down. Meant for copies that touch the canvas;
    // exact for any placement (no integer rectangle holds every one).
    QRectF copyRect(qint64 i, qint64 j) const;

    // The copies across (or down) that touch a canvas of this width (or
    // height): indices first up to, not including, end. Copies wholly off the
    // canvas draw nothing, so huge repeat counts cost only what shows.
    struct CopyRange {
        qint64 first = 0;
        qint64 end = 0;
    };
    CopyRange copiesAcrossWithin(qint64 canvasWidth) const;
    CopyRange copiesDownWithin(qint64 canvasHeight) const;
    // The copies that reach into [low, high) across (or down), for a piece
    // of the canvas.
    CopyRange copiesAcrossBetween(qint64 low, qint64 high) const;
    CopyRange copiesDownBetween(qint64 low, qint64 high) const;

    bool operator==(const PicturePlacement&) const = default;
};

} // namespace quenta
