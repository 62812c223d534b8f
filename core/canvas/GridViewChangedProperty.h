#pragma once

#include <QHashFunctions>

namespace kestrom {

// The canvas properties whose changes the layout pass looks at to choose
// its animations and to rebuild the sequence outlines.
enum class GridViewChangedProperty {
    image,
    imageRepeatXCount,
    imageRepeatYCount,
    imageOrientation,
    flipsImage,
    splittedImageSourceRects_mm,
};

inline size_t qHash(GridViewChangedProperty p, size_t seed = 0) {
    return ::qHash(int(p), seed);
}

} // namespace kestrom
