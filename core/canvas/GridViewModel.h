#pragma once

#include "model/pictures/ImageRotation.h"
#include "model/pictures/OffsetBase.h"
#include "model/units/Point_mm.h"
#include "model/units/Rect_mm.h"
#include "model/units/Size_mm.h"

#include <QList>

namespace kestrom {

// What the canvas shows, in millimetres: the printable size, one copy of the
// placed picture with its offset from the anchor, and its repeats.
struct GridViewModel {
    ambrel::Size_mm printableSize_mm;
    ambrel::Point_mm imageOffset_mm;
    ambrel::Size_mm imageSizeForDisplay_mm;
    ambrel::OffsetBase imageOffsetBase = ambrel::OffsetBase::center;
    bool flipsImage = false;
    ambrel::ImageRotation imageOrientation = ambrel::ImageRotation::none;
    qint64 imageRepeatXCount = 1;
    qint64 imageRepeatYCount = 1;
    double imageRepeatXMargin_mm = 0;
    double imageRepeatYMargin_mm = 0;
    QList<ambrel::Rect_mm> splittedImageSourceRects_mm;
    bool showsOffsetLines = false;
    bool hasPicture = false;

    // The whole repeated area: per axis one copy's size below two copies,
    // else count x size + (count - 1) x margin.
    ambrel::Size_mm allImageSize_mm() const;
};

} // namespace kestrom
