#pragma once

#include <QtGlobal>

namespace ambrel {

// A point in whole device pixels.
struct Point_px {
    qint64 x = 0;
    qint64 y = 0;

    bool operator==(const Point_px&) const = default;
};

} // namespace ambrel
