#pragma once

namespace platform {
class Bundle;
}

namespace quenta {

// The "halftone" kernel: a screen of round dots. For the pixel centre
// p = (x + 0.5, y + 0.5) - offset and q = p turned by the angle, the spot is
// 0.5 + 0.25 (cos(pi qx / scale.x) + cos(pi qy / scale.y)), and the pixel is
// black when its gray s = byte / 255 is below the spot, white otherwise. A
// pure black pixel stays black even where the spot touches 0. A screen that
// cannot be formed (a scale not finite or not above 0, an angle or offset
// not finite) falls back to a threshold at 0.5.
//
// Parameters: 0 the angle in radians (float), 1 the offset in pixels
// (two floats), 2 the scale in pixels (two floats).
class HalftoneKernel {
public:
    static void registerIn(const platform::Bundle* bundle);

    // Where the processor has them, eight or sixteen pixels at a time are compared in
    // floats first and again in doubles only where the two could disagree.
    // Tests turn this off to compare against the double comparison alone.
    static void allowWideScreen(bool allowed);
};

} // namespace quenta
