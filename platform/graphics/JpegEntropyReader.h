#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Reads the bits of a JPEG scan's entropy-coded data, most significant
// first, as the JPEG library reads them: a 0xFF byte is followed by a 0x00
// that is not data (or by more 0xFF that are fill), and any other byte after
// 0xFF is a marker, where the data ends and zero bits follow. Positions count
// the data bits taken since the reader's start.
class JpegEntropyReader {
public:
    // From `start` to `end`; `start` must not follow a 0xFF byte.
    JpegEntropyReader(const std::uint8_t* start, const std::uint8_t* end)
        : m_next(start), m_end(end) {}

    // The data bits taken so far.
    std::uint64_t position() const { return m_loaded - std::uint64_t(m_count); }
    // Whether a bit taken so far lay beyond the data (a zero of the fill).
    bool tookFill() const { return m_ended && position() > m_dataBits; }

    // Where the data bits of the byte at `at` begin: known once the reader
    // has passed it, and only for the one byte it is asked to watch (which
    // must not follow a 0xFF byte either).
    void watch(const std::uint8_t* at) {
        m_watched = at;
        m_watchedPosition = UINT64_MAX;
    }
    std::uint64_t watchedPosition() const { return m_watchedPosition; }

    // The next 16 or 32 bits, without taking them.
    std::uint32_t peek16() {
        if (m_count < 16) {
            refill();
        }
        return std::uint32_t(m_bits >> 48);
    }
    std::uint32_t peek32() {
        if (m_count < 32) {
            refill();
        }
        return std::uint32_t(m_bits >> 32);
    }
    void skip(int n) {
        m_bits <<= n;
        m_count -= n;
    }
    // Takes n bits (at most 16) as an unsigned number.
    std::uint32_t take(int n) {
        if (n == 0) {
            return 0;
        }
        if (m_count < n) {
            refill();
        }
        const auto value = std::uint32_t(m_bits >> (64 - n));
        skip(n);
        return value;
    }

    // Reads the AC terms of a block with `table` (a JpegHuffmanTable), giving
    // each term's place in zigzag order and value to `term` when it is
    // given; false at a code the table does not have. The reader's bits stay
    // in registers meanwhile: these terms are most of the data.
    template <typename Table, typename Term> bool readTerms(const Table& table, Term term) {
        std::uint64_t bits = m_bits;
        int count = m_count;
        bool valid = true;
        for (int k = 1; k < 64;) {
            if (count < 32) {
                m_bits = bits;
                m_count = count;
                refill();
                bits = m_bits;
                count = m_count;
            }
            const auto peek = std::uint32_t(bits >> 32);
            if constexpr (!Term::wanted) {
                const auto step = table.skip(peek);
                if (step.bits != 0) {
                    bits <<= step.bits;
                    count -= step.bits;
                    if (step.advance == Table::endOfBlock) {
                        break;
                    }
                    k += step.advance;
                    continue;
                }
            }
            int length = 0;
            const int symbol = table.decode(peek >> 16, length);
            if (symbol < 0) {
                valid = false;
                break;
            }
            bits <<= length;
            count -= length;
            const int run = symbol >> 4;
            const int size = symbol & 15;
            if (size != 0) {
                // At least 16 bits are left for the term's value.
                k += run;
                term(k, std::uint32_t(bits >> (64 - size)), size);
                bits <<= size;
                count -= size;
                ++k;
            } else if (run != 15) {
                break;
            } else {
                k += 16;
            }
        }
        m_bits = bits;
        m_count = count;
        return valid;
    }

private:
    void refill() {
        // Whole bytes at once where none of them is 0xFF and the watched
        // byte is not among them.
        const int room = (64 - m_count) / 8;
        if (room == 0) {
            return;
        }
        if (!m_ended && m_end - m_next >= 8 &&
            !(m_watched >= m_next && m_watched < m_next + room)) {
            std::uint64_t word = 0;
            for (int i = 0; i < 8; ++i) {
                word = (word << 8) | m_next[i];
            }
            // A byte of 0xFF among the first `room`: its complement is zero.
            const std::uint64_t inverted = ~word;
            const std::uint64_t zeroBytes =
                (inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL;
            const std::uint64_t mask = room == 8 ? ~0ULL : ~(~0ULL >> (8 * room));
            if ((zeroBytes & mask) == 0) {
                const std::uint64_t taken = room == 8 ? word : word >> (64 - 8 * room);
                m_bits |= room == 8 ? taken : taken << (64 - m_count - 8 * room);
                m_count += 8 * room;
                m_loaded += std::uint64_t(8 * room);
                m_next += room;
                return;
            }
        }
        while (m_count <= 56) {
            std::uint64_t byte = 0;
            if (!m_ended) {
                if (m_next == m_watched) {
                    m_watchedPosition = m_loaded;
                }
                if (m_next >= m_end) {
                    markEnd();
                } else if (*m_next != 0xFF) {
                    byte = *m_next++;
                } else {
                    const std::uint8_t* after = m_next + 1;
                    while (after < m_end && *after == 0xFF) {
                        ++after;
                    }
                    if (after < m_end && *after == 0) {
                        byte = 0xFF;
                        m_next = after + 1;
                    } else {
                        markEnd();
                    }
                }
            }
            m_bits |= byte << (56 - m_count);
            m_count += 8;
            m_loaded += 8;
        }
    }
    void markEnd() {
        m_ended = true;
        m_dataBits = m_loaded;
    }

    const std::uint8_t* m_next;
    const std::uint8_t* m_end;
    std::uint64_t m_bits = 0;
    int m_count = 0;
    std::uint64_t m_loaded = 0;
    bool m_ended = false;
    std::uint64_t m_dataBits = 0;
    const std::uint8_t* m_watched = nullptr;
    std::uint64_t m_watchedPosition = UINT64_MAX;
};

} // namespace platform
