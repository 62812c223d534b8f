#pragma once

#include "platform/graphics/PdfTransform.h"

#include <array>

namespace platform {

// What drawings in a PDF page cover, as the boxes around them: how many,
// and the sums of their sides, of their sides' squares and of their
// products. The PDF library scales an image to such a box before it clips
// it. Under a further transform a box goes to the box around its image,
// whose sides are sums of the old ones' (w' = |a| w + |c| h, h' = |b| w +
// |d| h): so the sums go on through forms and transforms without losing
// what a shear or a turn does to a long, thin box. Sums past every bound
// stay at the largest.
struct PdfCover {
    double count = 0;
    double w = 0;
    double h = 0;
    double ww = 0;
    double wh = 0;
    double hh = 0;

    static constexpr double largest = 1e300;
    static double capped(double value) { return value < largest ? value : largest; }

    // The sum, over the transforms something is drawn with, of what each
    // makes of that something's cover.
    struct Map {
        double count = 0;
        std::array<double, 4> first{};  // (w, h) to (w', h')
        std::array<double, 9> second{}; // (ww, wh, hh) to (w'w', w'h', h'h')

        // `times` drawings with the transform.
        void add(const PdfTransform& transform, double times = 1);
        PdfCover operator()(const PdfCover& cover) const;
    };

    static PdfCover unitSquare() { return {1, 1, 1, 1, 1, 1}; }
    static PdfCover unbounded() { return {largest, largest, largest, largest, largest, largest}; }

    PdfCover& operator+=(const PdfCover& other);
    PdfCover under(const PdfTransform& transform) const;
    // Each sum at the larger of the two.
    static PdfCover larger(const PdfCover& one, const PdfCover& other);

    // The boxes' area, no side thinner than `thinnest`.
    double area(double thinnest) const;
    // The sum of the squares of the boxes' longer sides (each no thinner
    // than `thinnest`): the area they may cover under a further transform
    // of reach 1, which a turn or a shear may have.
    double reach(double thinnest) const;
};

} // namespace platform
