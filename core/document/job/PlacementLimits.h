#pragma once

namespace kestrom {

// The ranges the window lets a picture's placement take, in millimetres:
// the inspector's fields clamp what is typed to them. Settings read from a
// package keep whatever the window's other setters make beyond them (a
// picture at its actual size, one moved with the arrow keys); only values no
// setter makes are brought into them.
struct PlacementLimits {
    // Each offset from the anchor, either way, as typed.
    static constexpr double offset_mm = 300;
    // As far as the arrow keys and drags take a picture in practice, which
    // keeps every offset exact in device pixels.
    static constexpr double offsetReach_mm = 1e6;
    // A side of the picture as shown, as typed.
    static constexpr double sideMin_mm = 5;
    static constexpr double sideMax_mm = 800;
    // The gap between repeated copies.
    static constexpr double repeatMarginMax_mm = 300;
};

} // namespace kestrom
