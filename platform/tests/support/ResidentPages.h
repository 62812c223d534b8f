#pragma once

// Which pages of a block the kernel holds, from mincore().

#include <cstddef>

class ResidentPages {
public:
    // Pages resident in [start, start + bytes); 0 where the kernel cannot
    // tell.
    static std::size_t count(const void* start, std::size_t bytes);
};
