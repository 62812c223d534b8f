#include "platform/graphics/PdfTransform.h"

#include "platform/graphics/PdfCover.h"

#include <algorithm>
#include <cmath>

namespace platform {

PdfTransform PdfTransform::then(const PdfTransform& outer) const {
    return {a * outer.a + b * outer.c, a * outer.b + b * outer.d, c * outer.a + d * outer.c,
            c * outer.b + d * outer.d};
}

double PdfTransform::width() const {
    return PdfCover::capped(std::abs(a) + std::abs(c));
}

double PdfTransform::height() const {
    return PdfCover::capped(std::abs(b) + std::abs(d));
}

double PdfTransform::reach() const {
    const double side = std::max(width(), height());
    return PdfCover::capped(side * side);
}

bool PdfTransform::identity() const {
    return a == 1 && b == 0 && c == 0 && d == 1;
}

} // namespace platform
