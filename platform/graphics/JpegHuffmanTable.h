#pragma once

#include "platform/graphics/JpegScan.h"

#include <array>
#include <cstdint>

namespace platform {

// One Huffman table of a JPEG scan, made for decoding: the first few bits of
// a code find its symbol in one look, longer codes by the canonical limits of
// each length (ITU T.81, F.2.2.3).
class JpegHuffmanTable {
public:
    static constexpr int lookBits = 9;

    // False for a table the JPEG library refuses too: more than 256 codes,
    // codes that do not fit their lengths, or for a DC table, a symbol above
    // 15.
    bool build(const JpegScan::HuffmanSpec& spec, bool dc);

    // The symbol whose code starts the 16 bits `peek` (most significant
    // first), with the code's length in `length`; -1 for bits that start no
    // code.
    int decode(std::uint32_t peek, int& length) const {
        const std::uint16_t entry = m_lookup[peek >> (16 - lookBits)];
        if (entry != 0) {
            length = entry >> 8;
            return entry & 0xFF;
        }
        for (int l = lookBits + 1; l <= 16; ++l) {
            const auto code = std::int32_t(peek >> (16 - l));
            if (code <= m_maxCode[std::size_t(l)]) {
                length = l;
                return m_values[std::size_t(code + m_valueOffset[std::size_t(l)])];
            }
        }
        return -1;
    }

    // For an AC table whose terms are read past: the bits a code and its
    // term's value take together, and how far they move along the block,
    // from the first skipBits bits; none where they take more.
    static constexpr int skipBits = 12;
    struct Skip {
        std::uint8_t bits;
        // The terms moved past (run and the term), or endOfBlock.
        std::uint8_t advance;
    };
    static constexpr std::uint8_t endOfBlock = 64;
    Skip skip(std::uint32_t peek32) const { return m_skip[peek32 >> (32 - skipBits)]; }

private:
    std::array<Skip, 1 << skipBits> m_skip{};
    // (length << 8) | symbol for each start of lookBits bits; 0 where the
    // code is longer.
    std::array<std::uint16_t, 1 << lookBits> m_lookup{};
    // The largest code of each length, -1 where there is none.
    std::array<std::int32_t, 17> m_maxCode{};
    std::array<std::int32_t, 17> m_valueOffset{};
    std::array<std::uint8_t, 256> m_values{};
};

} // namespace platform
