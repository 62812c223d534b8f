#pragma once

#include <QSizeF>
#include <QtGlobal>

namespace ambrel {

// A size in whole pixels; equal when both sides are equal.
struct Size_px {
    qint64 width = 0;
    qint64 height = 0;

    // Width and height exchanged, as for a picture turned by a quarter.
    Size_px rotated() const { return {height, width}; }
    void rotate() { *this = rotated(); }
    QSizeF cgSize() const { return {double(width), double(height)}; }

    bool operator==(const Size_px&) const = default;
};

} // namespace ambrel
