#pragma once

#include "platform/compute/Kernel.h"

#include <cstddef>
#include <cstdint>

namespace platform::compute {

// Runs a byte table over rows, choosing the fastest loop the table allows:
// a plain copy for the identity, a vector compare for a two-level step
// (a threshold), a table look-up otherwise.
class BytePass {
public:
    explicit BytePass(const ByteMap& map);

    // Source and destination may be the same row.
    void run(const std::uint8_t* source, std::uint8_t* destination, std::size_t count) const;

    static ByteMap identity();
    // The table of applying first, then second.
    static ByteMap compose(const ByteMap& first, const ByteMap& second);

private:
    enum class Shape {
        identity,
        step,
        table,
    };

    ByteMap m_map;
    Shape m_shape = Shape::table;
    // For a step: bytes below m_edge give m_low, the others m_high.
    std::uint8_t m_edge = 0;
    std::uint8_t m_low = 0;
    std::uint8_t m_high = 0;
};

} // namespace platform::compute
