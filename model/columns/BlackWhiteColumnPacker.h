#pragma once

#include "model/columns/BlackWhiteColumnsSendingOption.h"
#include "model/units/Size_px.h"

#include <cstdint>
#include <functional>

namespace platform::compute {
class ThreadPool;
}

namespace ambrel {

// Turns rows of gray pixels (0 black ... 255 white, rows of exactly the width)
// into the device's one-bit dot columns. A column holds headDotCount / 8
// bytes; dot d is bit d % 8 of byte d / 8, a set bit is ink (a pixel below
// 128). The picture's rows are centred on the head (the odd dot goes to the
// end); rows beyond the head are dropped.
//
// Eight rows of eight pixels are handled as one 64-bit word each, so a byte of
// eight dots costs a few word operations rather than eight bit tests.
class BlackWhiteColumnPacker {
public:
    // Writes the pixels of picture columns [first, first + count) of one row
    // into out, count bytes; called from several threads at once.
    using RowSource =
        std::function<void(qint64 row, qint64 first, qint64 count, std::uint8_t* out)>;

    // headDotCount must be a positive multiple of 8. With whiteFrom (0 to
    // 256) a pixel is ink below that value rather than below 128: a
    // threshold is then made on the way, with nothing written.
    BlackWhiteColumnPacker(const std::uint8_t* pixels, Size_px size, int headDotCount,
                           BlackWhiteColumnsSendingOptions options, int whiteFrom = 128);
    // Packs rows the source makes as they are needed, a few at a time into
    // memory that stays in the cache, so that a picture made on the way (a
    // converted one, say) is never written whole.
    BlackWhiteColumnPacker(RowSource rows, Size_px size, int headDotCount,
                           BlackWhiteColumnsSendingOptions options);

    qint64 bytesPerColumn() const { return m_bytesPerColumn; }
    qint64 width() const { return m_size.width; }
    // The first dot of the picture's top row, before any mirroring.
    qint64 rowOffset() const { return m_offset; }

    // The picture column sent as output column c.
    qint64 sourceColumn(qint64 outputColumn) const;

    // Packs the picture columns [first, first + count) into out, one column
    // of bytesPerColumn() bytes after the other, in picture order.
    void packSourceColumns(qint64 first, qint64 count, std::uint8_t* out) const;
    // Packs the output columns [first, first + count) into out in the order
    // they are sent, reversal included.
    void packOutputColumns(qint64 first, qint64 count, std::uint8_t* out) const;
    // Packs every output column, width() x bytesPerColumn() bytes, by ranges
    // of columns on the pool's workers (on the calling thread alone without
    // a pool).
    void packAllOutputColumns(std::uint8_t* out, platform::compute::ThreadPool* pool) const;
    // The output columns of one such range.
    qint64 rangeColumns(const platform::compute::ThreadPool* pool) const;

private:
    // Packs picture columns [first, first + count); picture column first
    // goes to out and each next one columnStride bytes further (negative
    // strides write them backwards).
    void pack(qint64 first, qint64 count, std::uint8_t* out, qint64 columnStride) const;

    const std::uint8_t* m_pixels = nullptr;
    RowSource m_rowSource;
    int m_whiteFrom = 128;
    Size_px m_size;
    qint64 m_bytesPerColumn;
    qint64 m_rows;
    qint64 m_offset;
    BlackWhiteColumnsSendingOptions m_options;
};

} // namespace ambrel
