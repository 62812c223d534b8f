#pragma once

#include <cstddef>

namespace platform::compute {

// A position in a texture or a grid, in whole elements.
struct Origin {
    std::size_t x = 0;
    std::size_t y = 0;
    std::size_t z = 0;

    bool operator==(const Origin&) const = default;
};

// An extent of a texture, a grid or a group of threads, in whole elements.
struct Size {
    std::size_t width = 0;
    std::size_t height = 0;
    std::size_t depth = 1;

    bool operator==(const Size&) const = default;
};

// A box of pixels: the origin and the extent from there.
struct Region {
    Origin origin;
    Size size;

    static Region make2D(std::size_t x, std::size_t y, std::size_t width, std::size_t height) {
        return Region{Origin{x, y, 0}, Size{width, height, 1}};
    }

    bool operator==(const Region&) const = default;
};

} // namespace platform::compute
