#include "core/canvas/GridViewModel.h"

namespace kestrom {

namespace {

double repeatedLength(double size, qint64 count, double margin) {
    if (count < 2) {
        return size;
    }
    return size * double(count) + margin * double(count - 1);
}

} // namespace

ambrel::Size_mm GridViewModel::allImageSize_mm() const {
    return {
        repeatedLength(imageSizeForDisplay_mm.width, imageRepeatXCount, imageRepeatXMargin_mm),
        repeatedLength(imageSizeForDisplay_mm.height, imageRepeatYCount, imageRepeatYMargin_mm)};
}

} // namespace kestrom
