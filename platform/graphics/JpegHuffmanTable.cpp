#include "platform/graphics/JpegHuffmanTable.h"

namespace platform {

bool JpegHuffmanTable::build(const JpegScan::HuffmanSpec& spec, bool dc) {
    // The code lengths of the symbols in order, then the codes themselves,
    // as the standard makes them (figures C.1 and C.2).
    std::array<std::uint8_t, 257> sizes{};
    std::array<std::uint32_t, 257> codes{};
    int count = 0;
    for (int l = 1; l <= 16; ++l) {
        const int n = spec.bits[std::size_t(l)];
        if (count + n > 256) {
            return false;
        }
        for (int i = 0; i < n; ++i) {
            sizes[std::size_t(count++)] = std::uint8_t(l);
        }
    }
    std::uint32_t code = 0;
    int size = sizes[0];
    for (int p = 0; sizes[std::size_t(p)] != 0;) {
        while (sizes[std::size_t(p)] == size) {
            codes[std::size_t(p++)] = code++;
        }
        // No code may be all ones.
        if (code >= (std::uint32_t(1) << size)) {
            return false;
        }
        code <<= 1;
        ++size;
    }
    if (dc) {
        for (int i = 0; i < count; ++i) {
            if (spec.values[std::size_t(i)] > 15) {
                return false;
            }
        }
    }
    m_values = spec.values;
    m_lookup.fill(0);
    int p = 0;
    for (int l = 1; l <= 16; ++l) {
        const int n = spec.bits[std::size_t(l)];
        if (n == 0) {
            m_maxCode[std::size_t(l)] = -1;
            continue;
        }
        m_valueOffset[std::size_t(l)] = p - std::int32_t(codes[std::size_t(p)]);
        for (int i = 0; i < n; ++i, ++p) {
            if (l <= lookBits) {
                // Every start of lookBits bits that begins with this code.
                const std::uint32_t first = codes[std::size_t(p)] << (lookBits - l);
                const std::uint32_t span = std::uint32_t(1) << (lookBits - l);
                for (std::uint32_t j = 0; j < span; ++j) {
                    m_lookup[first + j] = std::uint16_t((l << 8) | spec.values[std::size_t(p)]);
                }
            }
        }
        m_maxCode[std::size_t(l)] = std::int32_t(codes[std::size_t(p - 1)]);
    }
    m_skip.fill(Skip{0, 0});
    for (int i = 0; i < count; ++i) {
        const int l = sizes[std::size_t(i)];
        const int symbol = spec.values[std::size_t(i)];
        const int run = symbol >> 4;
        const int bits = symbol & 15;
        if (l + bits > skipBits) {
            continue;
        }
        const std::uint8_t advance =
            bits ? std::uint8_t(run + 1) : (run == 15 ? std::uint8_t(16) : endOfBlock);
        const std::uint32_t first = codes[std::size_t(i)] << (skipBits - l);
        const std::uint32_t span = std::uint32_t(1) << (skipBits - l);
        for (std::uint32_t j = 0; j < span; ++j) {
            m_skip[first + j] = Skip{std::uint8_t(l + bits), advance};
        }
    }
    return true;
}

} // namespace platform
