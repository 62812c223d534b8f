#pragma once

namespace kestrom {

// Distances inward from the four edges of a rectangle.
struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    bool operator==(const EdgeInsets&) const = default;
};

} // namespace kestrom
