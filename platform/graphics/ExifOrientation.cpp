#include "platform/graphics/ExifOrientation.h"

#include <cstring>

namespace platform {

namespace {

constexpr std::size_t headerLength = 6; // "Exif\0\0"
constexpr quint16 orientationTag = 0x0112;
constexpr std::size_t entryLength = 12;

// Reads the block's TIFF structure in its own byte order.
class TiffReader {
public:
    TiffReader(const uchar* tiff, std::size_t length, bool bigEndian)
        : m_tiff(tiff), m_length(length), m_bigEndian(bigEndian) {}

    bool has(std::size_t offset, std::size_t bytes) const {
        return offset <= m_length && bytes <= m_length - offset;
    }
    quint16 u16(std::size_t offset) const {
        const uchar* p = m_tiff + offset;
        return m_bigEndian ? quint16(p[0] << 8 | p[1]) : quint16(p[1] << 8 | p[0]);
    }
    quint32 u32(std::size_t offset) const {
        const uchar* p = m_tiff + offset;
        return m_bigEndian ? quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]
                           : quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }

private:
    const uchar* m_tiff;
    std::size_t m_length;
    bool m_bigEndian;
};

} // namespace

quint32 ExifOrientation::fromExif(const uchar* exif, std::size_t length) {
    if (!exif || length < headerLength + 8 || std::memcmp(exif, "Exif\0\0", headerLength) != 0) {
        return 1;
    }
    const uchar* tiff = exif + headerLength;
    const std::size_t tiffLength = length - headerLength;
    bool bigEndian = false;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        bigEndian = true;
    } else if (!(tiff[0] == 'I' && tiff[1] == 'I')) {
        return 1;
    }
    const TiffReader reader(tiff, tiffLength, bigEndian);
    if (reader.u16(2) != 42) {
        return 1;
    }
    // Offsets count from the TIFF header's first byte.
    const std::size_t directory = reader.u32(4);
    if (!reader.has(directory, 2)) {
        return 1;
    }
    const std::size_t entries = reader.u16(directory);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * entryLength;
        if (!reader.has(entry, entryLength)) {
            return 1;
        }
        if (reader.u16(entry) != orientationTag) {
            continue;
        }
        // A SHORT whose value sits in the entry's first two value bytes.
        const quint32 value = reader.u16(entry + 8);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

} // namespace platform
