#pragma once

namespace platform {

// The part of a PDF transform that scales, turns and shears, as the PDF
// library applies it: a point (x, y) goes to (a x + c y, b x + d y).
// Entries past every number (an overflow) stay so; what is measured of them
// is the largest measure.
struct PdfTransform {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;

    // This transform, then `outer`: what `cm` makes of the current one.
    PdfTransform then(const PdfTransform& outer) const;

    // The sides of the box around the unit square's image.
    double width() const;
    double height() const;
    // The square of the box's longer side. A box under transforms in turn
    // is at most the product of their reaches, whatever they turn or shear.
    double reach() const;
    bool identity() const;
};

} // namespace platform
