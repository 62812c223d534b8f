#include "model/columns/BlackWhiteColumnPacker.h"

#include "platform/Log.h"
#include "platform/compute/ThreadPool.h"

#include <QtEndian>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace ambrel {

namespace {

constexpr std::uint64_t highBits = 0x8080808080808080ull;
constexpr std::uint64_t lowBits = 0x0101010101010101ull;

// Eight neighbouring pixels of one row, the first in the lowest byte; pixels
// past the end of the row read as white.
std::uint64_t loadPixels(const std::uint8_t* row, qint64 available) {
    if (available >= 8) {
        return qFromLittleEndian<std::uint64_t>(row);
    }
    std::uint8_t bytes[8];
    std::memset(bytes, 0xFF, sizeof bytes);
    std::memcpy(bytes, row, size_t(available));
    return qFromLittleEndian<std::uint64_t>(bytes);
}

// One byte of each of count columns: bit b of a column's byte is the pixel
// of rows[b] (which point at the first column) in that column. Eight columns
// at a time: the top bit of each pixel (set for white) is moved to bit b of
// its own byte, so eight rows fold into one word that holds the bytes of
// eight columns.
template <bool allRows>
void packByte(const std::uint8_t* const rows[8], int present, qint64 count, std::uint8_t* out,
              qint64 stride) {
    // Inverting the white bits of the rows present gives the ink.
    const std::uint64_t presentBits = lowBits * std::uint64_t(present);
    for (qint64 x = 0; x < count; x += 8) {
        const qint64 available = std::min<qint64>(8, count - x);
        std::uint64_t white = 0;
        if (allRows && available == 8) {
            white = (((qFromLittleEndian<std::uint64_t>(rows[0] + x) & highBits) >> 7) |
                     ((qFromLittleEndian<std::uint64_t>(rows[1] + x) & highBits) >> 6) |
                     ((qFromLittleEndian<std::uint64_t>(rows[2] + x) & highBits) >> 5) |
                     ((qFromLittleEndian<std::uint64_t>(rows[3] + x) & highBits) >> 4)) |
                    (((qFromLittleEndian<std::uint64_t>(rows[4] + x) & highBits) >> 3) |
                     ((qFromLittleEndian<std::uint64_t>(rows[5] + x) & highBits) >> 2) |
                     ((qFromLittleEndian<std::uint64_t>(rows[6] + x) & highBits) >> 1) |
                     (qFromLittleEndian<std::uint64_t>(rows[7] + x) & highBits));
        } else {
            for (int bit = 0; bit < 8; ++bit) {
                if (rows[bit]) {
                    white |= (loadPixels(rows[bit] + x, available) & highBits) >> (7 - bit);
                }
            }
        }
        const std::uint64_t ink = ~white & presentBits;
        std::uint8_t* column = out + x * stride;
        for (qint64 j = 0; j < available; ++j) {
            column[j * stride] = std::uint8_t(ink >> (8 * j));
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define LUNVIK_COLUMN_TILES 1
// GCC 12 takes the intrinsics' deliberately undefined start values for
// uninitialized reads.
#ifndef __clang__
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#define LUNVIK_TILE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,gfni")))

// Whether this processor packs 64 x 64 tiles with wide vectors.
bool hasColumnTiles() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("gfni");
    return has;
}

// Eight bytes of each of count columns at once, from 64 rows that are all on
// the picture: rows[8 * g + k] is dot k of byte g, at the first column. A
// column's eight bytes go out as one word at out + c * stride (bytes in
// descending order with reverseBytes); bits follow packByte's order.
LUNVIK_TILE_TARGET void packTile(const std::uint8_t* const rows[64], int whiteFrom,
                                 bool reverseBits, bool reverseBytes, qint64 count,
                                 std::uint8_t* out, qint64 stride) {
    // White from whiteFrom on; nothing is white from 256.
    const __m512i edge = _mm512_set1_epi8(char(std::min(whiteFrom, 255)));
    const __mmask64 anyWhite = whiteFrom > 255 ? 0 : ~__mmask64(0);
    // Byte p * 8 + b of the eight row masks to byte b * 8 + p: each word then
    // holds one eight-column stretch of all eight rows.
    alignas(64) static constexpr std::uint8_t byteTranspose[64] = {
        0,  8,  16, 24, 32, 40, 48, 56, 1,  9,  17, 25, 33, 41, 49, 57, 2,  10, 18, 26, 34, 42,
        50, 58, 3,  11, 19, 27, 35, 43, 51, 59, 4,  12, 20, 28, 36, 44, 52, 60, 5,  13, 21, 29,
        37, 45, 53, 61, 6,  14, 22, 30, 38, 46, 54, 62, 7,  15, 23, 31, 39, 47, 55, 63};
    alignas(64) static constexpr std::uint8_t reverseInWords[64] = {
        7,  6,  5,  4,  3,  2,  1,  0,  15, 14, 13, 12, 11, 10, 9,  8,  23, 22, 21, 20, 19, 18,
        17, 16, 31, 30, 29, 28, 27, 26, 25, 24, 39, 38, 37, 36, 35, 34, 33, 32, 47, 46, 45, 44,
        43, 42, 41, 40, 55, 54, 53, 52, 51, 50, 49, 48, 63, 62, 61, 60, 59, 58, 57, 56};
    const __m512i transpose = _mm512_load_si512(byteTranspose);
    const __m512i reverse = _mm512_load_si512(reverseInWords);
    // Byte j of each word is 1 << j: the affine step then turns each word's
    // 8 x 8 bits.
    const __m512i unitBits = _mm512_set1_epi64(std::int64_t(0x8040201008040201ull));
    for (qint64 x = 0; x + 64 <= count; x += 64) {
        __m512i groups[8];
        for (int g = 0; g < 8; ++g) {
            alignas(64) std::uint64_t masks[8];
            for (int k = 0; k < 8; ++k) {
                // Word 7 - b holds the white of the row with bit b.
                const int bit = reverseBits ? 7 - k : k;
                masks[7 - bit] = _mm512_mask_cmpge_epu8_mask(
                    anyWhite, _mm512_loadu_si512(rows[8 * g + k] + x), edge);
            }
            const __m512i words = _mm512_permutexvar_epi8(transpose, _mm512_load_si512(masks));
            // Byte j of word b: bit i is the white of the row with bit i in
            // column 8 b + j. Its inverse is the ink.
            groups[g] = _mm512_xor_si512(_mm512_gf2p8affine_epi64_epi8(unitBits, words, 0),
                                         _mm512_set1_epi8(-1));
        }
        // Byte c of groups[g] is byte g of column x + c: eight rows of 64
        // bytes to 64 words, by interleaving bytes, pairs and quads.
        const __m512i a0 = _mm512_unpacklo_epi8(groups[0], groups[1]);
        const __m512i a1 = _mm512_unpackhi_epi8(groups[0], groups[1]);
        const __m512i a2 = _mm512_unpacklo_epi8(groups[2], groups[3]);
        const __m512i a3 = _mm512_unpackhi_epi8(groups[2], groups[3]);
        const __m512i a4 = _mm512_unpacklo_epi8(groups[4], groups[5]);
        const __m512i a5 = _mm512_unpackhi_epi8(groups[4], groups[5]);
        const __m512i a6 = _mm512_unpacklo_epi8(groups[6], groups[7]);
        const __m512i a7 = _mm512_unpackhi_epi8(groups[6], groups[7]);
        const __m512i b0 = _mm512_unpacklo_epi16(a0, a2);
        const __m512i b1 = _mm512_unpackhi_epi16(a0, a2);
        const __m512i b2 = _mm512_unpacklo_epi16(a1, a3);
        const __m512i b3 = _mm512_unpackhi_epi16(a1, a3);
        const __m512i b4 = _mm512_unpacklo_epi16(a4, a6);
        const __m512i b5 = _mm512_unpackhi_epi16(a4, a6);
        const __m512i b6 = _mm512_unpacklo_epi16(a5, a7);
        const __m512i b7 = _mm512_unpackhi_epi16(a5, a7);
        // Word q of lane l of words[i] is column 16 l + 2 i + q.
        const __m512i words[8] = {_mm512_unpacklo_epi32(b0, b4), _mm512_unpackhi_epi32(b0, b4),
                                  _mm512_unpacklo_epi32(b1, b5), _mm512_unpackhi_epi32(b1, b5),
                                  _mm512_unpacklo_epi32(b2, b6), _mm512_unpackhi_epi32(b2, b6),
                                  _mm512_unpacklo_epi32(b3, b7), _mm512_unpackhi_epi32(b3, b7)};
        for (int i = 0; i < 8; ++i) {
            alignas(64) std::uint64_t column[8];
            _mm512_store_si512(column, reverseBytes ? _mm512_permutexvar_epi8(reverse, words[i])
                                                    : words[i]);
            for (int l = 0; l < 4; ++l) {
                for (int q = 0; q < 2; ++q) {
                    std::memcpy(out + (x + 16 * l + 2 * i + q) * stride, &column[2 * l + q], 8);
                }
            }
        }
    }
}
#ifndef __clang__
#pragma GCC diagnostic pop
#endif
#endif

} // namespace

BlackWhiteColumnPacker::BlackWhiteColumnPacker(const std::uint8_t* pixels, Size_px size,
                                               int headDotCount,
                                               BlackWhiteColumnsSendingOptions options,
                                               int whiteFrom)
    : BlackWhiteColumnPacker(RowSource(), size, headDotCount, options) {
    m_pixels = pixels;
    m_whiteFrom = std::clamp(whiteFrom, 0, 256);
}

BlackWhiteColumnPacker::BlackWhiteColumnPacker(RowSource rows, Size_px size, int headDotCount,
                                               BlackWhiteColumnsSendingOptions options)
    : m_rowSource(std::move(rows)), m_size(size), m_options(options) {
    if (headDotCount <= 0 || headDotCount % 8 != 0) {
        platform::Log::fatal(
            QStringLiteral("head dot count %1 is not a positive multiple of 8").arg(headDotCount));
    }
    m_size.width = std::max<qint64>(0, m_size.width);
    m_size.height = std::max<qint64>(0, m_size.height);
    m_bytesPerColumn = headDotCount / 8;
    m_rows = std::min<qint64>(headDotCount, m_size.height);
    m_offset = (headDotCount - m_rows) / 2;
}

qint64 BlackWhiteColumnPacker::sourceColumn(qint64 outputColumn) const {
    if (m_options.testFlag(BlackWhiteColumnsSendingOption::reverseColumns)) {
        return m_size.width - 1 - outputColumn;
    }
    return outputColumn;
}

void BlackWhiteColumnPacker::packSourceColumns(qint64 first, qint64 count,
                                               std::uint8_t* out) const {
    pack(first, count, out, m_bytesPerColumn);
}

void BlackWhiteColumnPacker::packOutputColumns(qint64 first, qint64 count,
                                               std::uint8_t* out) const {
    if (count <= 0) {
        return;
    }
    if (m_options.testFlag(BlackWhiteColumnsSendingOption::reverseColumns)) {
        // Output columns [first, first + count) are picture columns
        // [width - first - count, width - first), the last of them sent first.
        pack(m_size.width - first - count, count, out + (count - 1) * m_bytesPerColumn,
             -m_bytesPerColumn);
    } else {
        pack(first, count, out, m_bytesPerColumn);
    }
}

qint64 BlackWhiteColumnPacker::rangeColumns(const platform::compute::ThreadPool* pool) const {
    // Wide enough for each row to be read as a stream of several lines (a
    // range's packed columns still stay in the cache), and a few per worker
    // so that none waits long for the last.
    const qint64 perWorker = pool ? m_size.width / (qint64(pool->concurrency()) * 3) : 0;
    return std::max<qint64>(256, (perWorker + 63) / 64 * 64);
}

void BlackWhiteColumnPacker::packAllOutputColumns(std::uint8_t* out,
                                                  platform::compute::ThreadPool* pool) const {
    const qint64 width = m_size.width;
    const qint64 rangeColumns = this->rangeColumns(pool);
    const qint64 ranges = (width + rangeColumns - 1) / rangeColumns;
    auto packRange = [&](std::size_t r) {
        const qint64 first = qint64(r) * rangeColumns;
        const qint64 count = std::min(rangeColumns, width - first);
        packOutputColumns(first, count, out + first * m_bytesPerColumn);
    };
    if (pool == nullptr || ranges < 2) {
        for (qint64 r = 0; r < ranges; ++r) {
            packRange(std::size_t(r));
        }
        return;
    }
    pool->parallelFor(std::size_t(ranges), packRange);
}

void BlackWhiteColumnPacker::pack(qint64 first, qint64 count, std::uint8_t* out,
                                  qint64 columnStride) const {
    if (count <= 0) {
        return;
    }
    const qint64 stride = m_bytesPerColumn;
    std::memset(columnStride < 0 ? out + (count - 1) * columnStride : out, 0,
                size_t(count * stride));
    if (m_rows == 0) {
        return;
    }
    const bool reverseRows = m_options.testFlag(BlackWhiteColumnsSendingOption::reverseRows);
    // Mirroring the column reverses the byte order and the bits in each byte;
    // the most-significant-first option reverses the bits once more.
    const bool reverseBits =
        reverseRows != m_options.testFlag(BlackWhiteColumnsSendingOption::reverseRowBits);
    const qint64 width = m_size.width;
    const qint64 firstByte = m_offset / 8;
    const qint64 lastByte = (m_offset + m_rows - 1) / 8;
#ifdef LUNVIK_COLUMN_TILES
    const bool tiles = hasColumnTiles();
#else
    const bool tiles = false;
#endif
    // Columns a stretch at a time, so that the rows made for it and the
    // columns written stay in the cache. Rows a source makes, or rows
    // thresholded at another value than 128 for the byte-wise packing, go
    // through scratch.
    const bool thresholds = !m_rowSource && m_whiteFrom != 128;
    const qint64 stretch =
        m_rowSource || tiles || thresholds ? std::min<qint64>(count, 512) : count;
    std::vector<std::uint8_t> scratch(m_rowSource || thresholds ? std::size_t(64 * stretch) : 0);
    const auto threshold = [&](const std::uint8_t* from, qint64 n, std::uint8_t* to) {
        for (qint64 i = 0; i < n; ++i) {
            to[i] = from[i] >= m_whiteFrom ? 255 : 0;
        }
        return to;
    };
    // The rows of dots [8 byte, 8 byte + 8 n) from column x on, by dot; a dot
    // off the picture gives none.
    const auto rowsOf = [&](qint64 byte, int n, qint64 x, qint64 columns, bool asTheyAre,
                            const std::uint8_t* rows[64]) {
        for (int i = 0; i < 8 * n; ++i) {
            const qint64 r = byte * 8 + i - m_offset;
            if (r < 0 || r >= m_rows) {
                rows[i] = nullptr;
            } else if (m_rowSource) {
                std::uint8_t* made = scratch.data() + i * columns;
                m_rowSource(r, x, columns, made);
                rows[i] = made;
            } else if (thresholds && !asTheyAre) {
                rows[i] =
                    threshold(m_pixels + r * width + x, columns, scratch.data() + i * columns);
            } else {
                rows[i] = m_pixels + r * width + x;
                // The same stretch of the row a block further down is read
                // next: it is fetched while this block is packed, since a
                // stretch is too short for the processor to see the stream.
                if (r + 64 < m_rows) {
                    for (qint64 line = 0; line < columns; line += 64) {
                        __builtin_prefetch(rows[i] + 64 * width + line);
                    }
                }
            }
        }
    };

    for (qint64 x = first; x < first + count; x += stretch) {
        const qint64 columns = std::min(stretch, first + count - x);
        std::uint8_t* columnOut = out + (x - first) * columnStride;
        // Only the bytes that hold picture rows; the others stay white.
        qint64 byte = firstByte;
        while (byte <= lastByte) {
            const std::uint8_t* rows[64];
#ifdef LUNVIK_COLUMN_TILES
            const qint64 wholeColumns = columns / 64 * 64;
            const bool allRows = byte * 8 >= m_offset && byte * 8 + 64 <= m_offset + m_rows;
            if (tiles && allRows && wholeColumns > 0) {
                rowsOf(byte, 8, x, columns, true, rows);
                // Eight bytes of each column: ascending here, descending
                // from the other end of the column when mirrored.
                const qint64 outByte = reverseRows ? stride - 8 - byte : byte;
                packTile(rows, m_rowSource ? 128 : m_whiteFrom, reverseBits, reverseRows,
                         wholeColumns, columnOut + outByte, columnStride);
                if (wholeColumns < columns) {
                    for (int g = 0; g < 8; ++g) {
                        const std::uint8_t* rest[8];
                        for (int k = 0; k < 8; ++k) {
                            const std::uint8_t* from = rows[8 * g + k] + wholeColumns;
                            rest[reverseBits ? 7 - k : k] =
                                thresholds ? threshold(from, columns - wholeColumns,
                                                       scratch.data() + k * columns)
                                           : from;
                        }
                        const qint64 b = byte + g;
                        packByte<true>(rest, 0xFF, columns - wholeColumns,
                                       columnOut + wholeColumns * columnStride +
                                           (reverseRows ? stride - 1 - b : b),
                                       columnStride);
                    }
                }
                byte += 8;
                continue;
            }
#endif
            rowsOf(byte, 1, x, columns, false, rows);
            const std::uint8_t* byBit[8];
            int present = 0;
            for (int k = 0; k < 8; ++k) {
                const int bit = reverseBits ? 7 - k : k;
                byBit[bit] = rows[k];
                present |= rows[k] ? 1 << bit : 0;
            }
            // The next byte's rows are fetched while this one is packed: each
            // row is read for a short stretch only, too short for the
            // processor to see the stream by itself.
            for (int k = 0; k < 8 && !m_rowSource; ++k) {
                const qint64 r = (byte + 1) * 8 + k - m_offset;
                if (r >= 0 && r < m_rows) {
                    const std::uint8_t* next = m_pixels + r * width + x;
                    for (qint64 line = 0; line < std::min<qint64>(columns, 256); line += 64) {
                        __builtin_prefetch(next + line);
                    }
                }
            }
            const qint64 outByte = reverseRows ? stride - 1 - byte : byte;
            if (present == 0xFF) {
                packByte<true>(byBit, present, columns, columnOut + outByte, columnStride);
            } else {
                packByte<false>(byBit, present, columns, columnOut + outByte, columnStride);
            }
            ++byte;
        }
    }
}

} // namespace ambrel
