#pragma once

#include "model/pictures/BlackConversion.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OffsetBase.h"
#include "model/units/Point_mm.h"
#include "model/units/Size_px.h"

namespace ambrel {

// How a document's picture is placed on the canvas and turned into black
// dots for one print. A default-made value holds the defaults of a new
// document.
struct OriginalImageDrawingOptions {
    BlackConversion imageBitmapConversion = BlackConversion::threshold();
    Point_mm imageOffset_mm;
    // The picture's size in device pixels before it is turned.
    Size_px imageSize_px;
    ImageRotation imageOrientation = ImageRotation::none;
    OffsetBase imageOffsetBase = OffsetBase::center;
    bool flipsImageHorizontal = false;
    qint64 imageRepeatXCount = 1;
    qint64 imageRepeatYCount = 1;
    double imageRepeatXMargin_mm = 0;
    double imageRepeatYMargin_mm = 0;
    // The blank margin along x at which the picture may be separated into
    // parts, and the longest black run along x one part may hold.
    double minimumSeparatedXMargin_mm = 70;
    double maximumBlackXLength_mm = 150;
    double additionalWhitespaceLength_start_mm = 0;
    double additionalWhitespaceLength_end_mm = 0;
    bool usesMinimumSeparatedXMargin = true;
    bool usesMaximumBlackXLength = true;

    // The size as shown after turning: width and height exchanged for a
    // quarter turn.
    Size_px imageSizeForDisplay_px() const {
        return imageOrientation.isWidthHeightFlipped() ? imageSize_px.rotated() : imageSize_px;
    }

    bool operator==(const OriginalImageDrawingOptions&) const = default;
};

} // namespace ambrel
