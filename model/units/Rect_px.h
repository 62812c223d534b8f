#pragma once

#include "model/units/Point_px.h"
#include "model/units/Size_px.h"

namespace ambrel {

// A rectangle in whole pixels: its origin and its size.
struct Rect_px {
    Point_px origin;
    Size_px size;

    bool operator==(const Rect_px&) const = default;
};

} // namespace ambrel
