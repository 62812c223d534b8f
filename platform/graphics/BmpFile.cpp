#include "platform/graphics/BmpFile.h"

#include "platform/graphics/ImageFileCheck.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

quint32 u16(const QByteArray& data, qsizetype at) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8;
}

quint32 u32(const QByteArray& data, qsizetype at) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void put16(QByteArray& data, qsizetype at, quint32 value) {
    data[at] = char(value & 0xFF);
    data[at + 1] = char((value >> 8) & 0xFF);
}

void put32(QByteArray& data, qsizetype at, quint32 value) {
    for (int i = 0; i < 4; ++i) {
        data[at + i] = char((value >> (8 * i)) & 0xFF);
    }
}

// The first version's information header, with 16-bit sides, and the
// sizes of the later versions': a header of another size is no BMP a
// reader can be trusted with.
constexpr quint32 coreHeaderSize = 12;
constexpr quint32 knownHeaderSizes[] = {40, 52, 56, 64, 108, 124};

QImage readByQt(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return {};
    }
    QImageReader reader(&buffer, "bmp");
    return reader.read();
}

} // namespace

std::optional<BmpFile> BmpFile::read(const QByteArray& data) {
    // File header (14 bytes), then an information header of at least 12.
    if (data.size() < 26) {
        return std::nullopt;
    }
    BmpFile file;
    file.m_pixelOffset = u32(data, 10);
    file.m_headerSize = u32(data, 14);
    qint64 height = 0;
    if (file.m_headerSize == coreHeaderSize) {
        // Signed, as Qt's reader reads them.
        file.m_width = qint16(u16(data, 18));
        height = qint16(u16(data, 20));
        file.m_bitCount = u16(data, 24);
    } else {
        if (std::find(std::begin(knownHeaderSizes), std::end(knownHeaderSizes),
                      file.m_headerSize) == std::end(knownHeaderSizes) ||
            data.size() < 14 + 40) {
            return std::nullopt;
        }
        file.m_width = qint32(u32(data, 18));
        height = qint32(u32(data, 22));
        file.m_bitCount = u16(data, 28);
        file.m_compression = u32(data, 30);
        file.m_coloursUsed = u32(data, 46);
    }
    if (file.m_width <= 0 || height == 0) {
        return std::nullopt;
    }
    file.m_topDown = height < 0;
    file.m_height = std::abs(height);
    return file;
}

int BmpFile::decodedBitsPerPixel() const {
    switch (m_bitCount) {
    case 1:
        return 1;
    case 4:
    case 8:
        return 8;
    default:
        return 32;
    }
}

bool BmpFile::hasFixedRows() const {
    // Uncompressed, or with bit fields (of the version 3 or 4 headers).
    return m_compression == 0 || m_compression == 3 || m_compression == 6;
}

qint64 BmpFile::rowBytes() const {
    return (m_width * m_bitCount + 31) / 32 * 4;
}

qint64 BmpFile::headersEnd() const {
    const bool core = m_headerSize == coreHeaderSize;
    // Bit fields after a version 3 header; later ones hold them.
    const qint64 masks = m_compression == 3 && m_headerSize == 40 ? 12 : 0;
    qint64 colours = 0;
    if (m_bitCount <= 8) {
        colours =
            (m_coloursUsed ? qint64(m_coloursUsed) : qint64(1) << m_bitCount) * (core ? 3 : 4);
    }
    return 14 + qint64(m_headerSize) + masks + colours;
}

qint64 BmpFile::rowsStart() const {
    return std::max(qint64(m_pixelOffset), headersEnd());
}

bool BmpFile::isComplete(const QByteArray& data) const {
    if (rowsStart() >= data.size()) {
        return false;
    }
    // Runs are followed to their end; any compression other than runs and
    // fixed rows is refused.
    if (m_compression == 1 || m_compression == 2) {
        return m_bitCount == (m_compression == 1 ? 8u : 4u) &&
               ImageFileCheck::bmpRunsAreComplete(data, rowsStart(), m_height, m_compression == 2);
    }
    if (!hasFixedRows()) {
        return false;
    }
    const qint64 bytes = rowBytes();
    const qint64 available = data.size() - rowsStart();
    // Divide rather than multiply: the header's sides may be anything.
    return bytes > 0 && available >= 0 && m_height <= available / bytes;
}

qint64 BmpFile::stripBytes(qint64 stripPixels) const {
    const qint64 rows = std::clamp<qint64>(stripPixels / m_width, 1, m_height);
    const qint64 pixelRowBytes = (m_width * decodedBitsPerPixel() + 31) / 32 * 4;
    return m_pixelOffset + rows * (rowBytes() + pixelRowBytes);
}

std::optional<QImage> BmpFile::readInStrips(const QByteArray& data, qint64 stripPixels) const {
    // Each strip keeps the file's headers whole before its rows: a pixel
    // offset into them would have it read other bytes as its colours.
    if (!hasFixedRows() || m_width > stripPixels || m_pixelOffset < headersEnd() ||
        !isComplete(data)) {
        return std::nullopt;
    }
    const qint64 rowsPerStrip = stripPixels / m_width;
    const qint64 bytesPerRow = rowBytes();
    // The headers, masks and colours, up to the first row.
    const QByteArray headers = data.left(m_pixelOffset);
    QImage picture;
    for (qint64 top = 0; top < m_height; top += rowsPerStrip) {
        const qint64 rows = std::min(rowsPerStrip, m_height - top);
        // Where the file keeps the strip's rows: from its top down, or from
        // its bottom up.
        const qint64 firstStored = m_topDown ? top : m_height - top - rows;
        QByteArray strip = headers;
        const quint32 storedHeight = quint32(m_topDown ? -rows : rows);
        if (m_headerSize == coreHeaderSize) {
            put16(strip, 20, storedHeight);
        } else {
            put32(strip, 22, storedHeight);
            put32(strip, 34, quint32(rows * bytesPerRow));
        }
        strip.append(data.constData() + m_pixelOffset + firstStored * bytesPerRow,
                     qsizetype(rows * bytesPerRow));
        put32(strip, 2, quint32(strip.size()));
        const QImage part = readByQt(strip);
        if (part.isNull() || part.width() != m_width || part.height() != rows) {
            return std::nullopt;
        }
        if (picture.isNull()) {
            picture = QImage(int(m_width), int(m_height), part.format());
            if (picture.isNull()) {
                return std::nullopt;
            }
            picture.setColorTable(part.colorTable());
            picture.setDotsPerMeterX(part.dotsPerMeterX());
            picture.setDotsPerMeterY(part.dotsPerMeterY());
        }
        if (part.format() != picture.format() || part.bytesPerLine() != picture.bytesPerLine()) {
            return std::nullopt;
        }
        for (int y = 0; y < int(rows); ++y) {
            std::memcpy(picture.scanLine(int(top) + y), part.constScanLine(y),
                        size_t(part.bytesPerLine()));
        }
    }
    return picture;
}

} // namespace platform
