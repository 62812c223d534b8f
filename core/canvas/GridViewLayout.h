#pragma once

#include "core/canvas/GridViewHandle.h"
#include "core/canvas/GridViewModel.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace kestrom {

// One layout pass of the canvas: from the model in millimetres, the canvas
// size in points and the screen's scale, where every part of the canvas goes.
// Computes only; the canvas view applies the result.
class GridViewLayout {
public:
    struct Input {
        GridViewModel model;
        QSizeF bounds;       // the canvas in points
        double scale = 1;    // device pixels per point
        QSizeF dropHintSize; // the drop prompt's natural size
        std::optional<GridViewHandle> resizeHandle;
    };

    struct Line {
        bool visible = false;
        QRectF rect;
        QColor color;
    };

    struct Result {
        // No picture: the centred drop prompt.
        bool showsDropHint = false;
        QRectF dropHintRect;
        // Picture, repeats, overflow tint and selection frame; hidden when
        // there is no picture or the canvas has no usable size.
        bool showsPicture = false;
        QRectF imageRect_pt;    // one copy, unrounded
        QRectF allImageRect_pt; // the whole repeated area; the overflow tint
        QRectF repeatStripRect; // the row of copies, on pixels
        QRectF imageFrame;      // one copy inside the row (y = 0)
        QRectF selectionRect;   // the picture's frame for the selection, on pixels
        double copyStepX = 0;   // between neighbouring copies across
        double copyStepY = 0;   // and down
        qint64 instanceCountX = 2;
        qint64 instanceCountY = 2;
        bool showsFurtherCopiesX = false;
        bool showsFurtherCopiesY = false;
        Line xOffsetLine;
        Line yOffsetLine;
        Line resizingLine;
        Line resizingFlippedLine;
        // One frame per sequence rectangle; nothing when the printable width
        // is zero (the outlines keep their frames).
        std::optional<QList<QRectF>> sequenceFrames;
    };

    static Result compute(const Input& input);

    // Whether a value lies within 0.2 of a multiple of the step.
    static bool isNear(double value, double step);
};

} // namespace kestrom
