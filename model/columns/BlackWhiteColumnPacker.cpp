#include "model/columns/BlackWhiteColumnPacker.h"

#include "platform/Log.h"
#include "platform/compute/ThreadPool.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

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

// One byte of every column in [first, first + count): bit b of a column's
// byte is the pixel of rows[b] in that column. Eight columns at a time: the
// top bit of each pixel (set for white) is moved to bit b of its own byte, so
// eight rows fold into one word that holds the bytes of eight columns.
template <bool allRows>
void packByte(const std::uint8_t* const rows[8], int present, qint64 first, qint64 count,
              std::uint8_t* out, qint64 stride) {
    // Inverting the white bits of the rows present gives the ink.
    const std::uint64_t presentBits = lowBits * std::uint64_t(present);
    for (qint64 x = first; x < first + count; x += 8) {
        const qint64 available = std::min<qint64>(8, first + count - x);
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
        std::uint8_t* column = out + (x - first) * stride;
        for (qint64 j = 0; j < available; ++j) {
            column[j * stride] = std::uint8_t(ink >> (8 * j));
        }
    }
}

} // namespace

BlackWhiteColumnPacker::BlackWhiteColumnPacker(const std::uint8_t* pixels, Size_px size,
                                               int headDotCount,
                                               BlackWhiteColumnsSendingOptions options)
    : m_pixels(pixels), m_size(size), m_options(options) {
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

void BlackWhiteColumnPacker::packAllOutputColumns(std::uint8_t* out,
                                                  platform::compute::ThreadPool* pool) const {
    // Ranges wide enough for each row to be read as a stream of several
    // lines (a range's packed columns still stay in the cache), and a few per
    // worker so that none waits long for the last.
    const qint64 width = m_size.width;
    const qint64 perWorker = pool ? width / (qint64(pool->concurrency()) * 3) : 0;
    const qint64 rangeColumns = std::max<qint64>(256, (perWorker + 63) / 64 * 64);
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

    // Only the bytes that hold picture rows; the others stay white.
    const qint64 firstByte = m_offset / 8;
    const qint64 lastByte = (m_offset + m_rows - 1) / 8;
    for (qint64 byte = firstByte; byte <= lastByte; ++byte) {
        const qint64 outByte = reverseRows ? stride - 1 - byte : byte;
        // The rows of this byte's eight dots, by bit; a dot off the picture
        // reads a row of white.
        const std::uint8_t* rows[8];
        int present = 0;
        for (int k = 0; k < 8; ++k) {
            const qint64 r = byte * 8 + k - m_offset;
            const int bit = reverseBits ? 7 - k : k;
            if (r >= 0 && r < m_rows) {
                rows[bit] = m_pixels + r * width;
                present |= 1 << bit;
            } else {
                rows[bit] = nullptr;
            }
        }
        // The next byte's rows are fetched while this one is packed: each
        // row is read for a short stretch only, too short for the processor
        // to see the stream by itself.
        for (int k = 0; k < 8; ++k) {
            const qint64 r = (byte + 1) * 8 + k - m_offset;
            if (r >= 0 && r < m_rows) {
                const std::uint8_t* next = m_pixels + r * width + first;
                for (qint64 line = 0; line < std::min<qint64>(count, 256); line += 64) {
                    __builtin_prefetch(next + line);
                }
            }
        }
        if (present == 0xFF) {
            packByte<true>(rows, present, first, count, out + outByte, columnStride);
        } else {
            packByte<false>(rows, present, first, count, out + outByte, columnStride);
        }
    }
}

} // namespace ambrel
