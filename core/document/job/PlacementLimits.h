#pragma once

namespace kestrom {

// The ranges the window lets a picture's placement take, in millimetres:
// the inspector's fields clamp what is typed to them, and settings read
// from a package are brought into them.
struct PlacementLimits {
    // Each offset from the anchor, either way.
    static constexpr double offset_mm = 300;
    // A side of the picture as shown.
    static constexpr double sideMin_mm = 5;
    static constexpr double sideMax_mm = 800;
    // The gap between repeated copies.
    static constexpr double repeatMarginMax_mm = 300;
};

} // namespace kestrom
