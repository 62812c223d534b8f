#pragma once

#include <cmath>
#include <cstdint>

namespace sildor {

// The one rule every kernel follows for its numbers, so the preview, the print
// and the tests agree on each pixel: a byte b reads as b / 255, and a result v
// is stored as round(clamp(v, 0, 1) x 255). A result that is not a number
// stores 0.
struct KernelMath {
    static double fraction(std::uint8_t byte) { return byte / 255.0; }

    static std::uint8_t byte(double v) {
        if (!(v > 0.0)) {
            return 0;
        }
        if (v >= 1.0) {
            return 255;
        }
        return std::uint8_t(std::lround(v * 255.0));
    }
};

} // namespace sildor
