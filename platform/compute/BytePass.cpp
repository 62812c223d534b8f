#include "platform/compute/BytePass.h"

#include <cstring>

namespace platform::compute {

namespace {

void stepRow(const std::uint8_t* __restrict source, std::uint8_t* __restrict destination,
             std::size_t count, std::uint8_t edge, std::uint8_t low, std::uint8_t high) {
    for (std::size_t i = 0; i < count; ++i) {
        destination[i] = source[i] < edge ? low : high;
    }
}

void stepRowInPlace(std::uint8_t* row, std::size_t count, std::uint8_t edge, std::uint8_t low,
                    std::uint8_t high) {
    for (std::size_t i = 0; i < count; ++i) {
        row[i] = row[i] < edge ? low : high;
    }
}

} // namespace

BytePass::BytePass(const ByteMap& map) : m_map(map) {
    if (map == identity()) {
        m_shape = Shape::identity;
        return;
    }
    // A step: one run of a low value, then one run of a high value.
    int edge = 1;
    while (edge < 256 && map[edge] == map[0]) {
        ++edge;
    }
    bool step = edge < 256;
    for (int b = edge; step && b < 256; ++b) {
        step = map[b] == map[edge];
    }
    if (step) {
        m_shape = Shape::step;
        m_edge = std::uint8_t(edge);
        m_low = map[0];
        m_high = map[edge];
    }
}

void BytePass::run(const std::uint8_t* source, std::uint8_t* destination, std::size_t count) const {
    switch (m_shape) {
    case Shape::identity:
        if (source != destination) {
            std::memcpy(destination, source, count);
        }
        return;
    case Shape::step:
        if (source == destination) {
            stepRowInPlace(destination, count, m_edge, m_low, m_high);
        } else {
            stepRow(source, destination, count, m_edge, m_low, m_high);
        }
        return;
    case Shape::table:
        for (std::size_t i = 0; i < count; ++i) {
            destination[i] = m_map[source[i]];
        }
        return;
    }
}

ByteMap BytePass::identity() {
    ByteMap map;
    for (int b = 0; b < 256; ++b) {
        map[b] = std::uint8_t(b);
    }
    return map;
}

ByteMap BytePass::compose(const ByteMap& first, const ByteMap& second) {
    ByteMap map;
    for (int b = 0; b < 256; ++b) {
        map[b] = second[first[b]];
    }
    return map;
}

} // namespace platform::compute
