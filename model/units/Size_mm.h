#pragma once

#include <QSizeF>

namespace ambrel {

// A width and a height in millimetres.
struct Size_mm {
    double width = 0;
    double height = 0;

    QSizeF toQSizeF() const { return {width, height}; }
    static Size_mm fromQSizeF(const QSizeF& s) { return {s.width(), s.height()}; }
    bool operator==(const Size_mm&) const = default;
};

} // namespace ambrel
