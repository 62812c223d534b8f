#pragma once

namespace kestrom {

// How far something reaches beyond each edge of a rectangle, in millimetres.
struct EdgeInsets_mm {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    bool operator==(const EdgeInsets_mm&) const = default;
};

} // namespace kestrom
