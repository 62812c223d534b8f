#pragma once

#include "platform/graphics/AreaAverageTaps.h"

#include <QtGlobal>

namespace platform {

// The two passes that make one row of a picture scaled by area average:
// the source rows the row covers weighed down into a line of sums, then the
// sums weighed across into pixels. Where the processor has wide vectors both
// run on them, with the same operations in the same order as the plain
// loops, so every byte comes out the same on any processor.
class AreaAverageLines {
public:
    // The extra floats a line of sums needs past its end for scaleAcross.
    static constexpr int linePadding = 32;

    // sums[k] for k in [0, width): the bytes first[t * stride + k] of `taps`
    // rows weighed by weights[t] and added in row order, from 0.
    static void sumDown(const uchar* first, qsizetype stride, const float* weights, int taps,
                        int width, float* sums);
    // Pixels [skip, skip + count) of the part the taps describe, from a line
    // whose source pixel k is in[k]; the line is readable linePadding floats
    // past the last source pixel the taps read.
    static void scaleAcross(const float* in, const AreaAverageTaps& taps, int skip, int count,
                            uchar* out);

    // Tests compare the wide vectors with the plain loops on one processor.
    static void allowWideVectors(bool allowed);
};

} // namespace platform
