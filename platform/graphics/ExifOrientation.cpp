#include "platform/graphics/ExifOrientation.h"

#include <cstring>

namespace platform {

namespace {

constexpr std::size_t headerLength = 6; // "Exif\0\0"
constexpr quint16 orientationTag = 0x0112;
constexpr quint16 unsignedShort = 3;
// The standard has five directories at most; later versions may add some.
constexpr int maximumDirectories = 10;
constexpr std::size_t entryLength = 12;
// Tag, type, count and the value's first two bytes: all a reader of the
// orientation takes from its entry.
constexpr std::size_t orientationLength = 10;

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

quint32 ExifOrientation::fromApp1(const uchar* app1, std::size_t length) {
    if (!app1 || length < headerLength + 8 || std::memcmp(app1, "Exif\0\0", headerLength) != 0) {
        return 1;
    }
    const uchar* tiff = app1 + headerLength;
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
    std::size_t position = 8;
    std::size_t directory = reader.u32(4);
    for (int n = 0; n < maximumDirectories; ++n) {
        if (directory < position || directory >= tiffLength || !reader.has(directory, 2)) {
            return 1;
        }
        position = directory;
        std::size_t entries = reader.u16(position);
        position += 2;
        for (; entries > 0; --entries) {
            if (!reader.has(position, orientationLength)) {
                return 1;
            }
            if (reader.u16(position) == orientationTag) {
                const quint16 type = reader.u16(position + 2);
                const quint32 count = reader.u32(position + 4);
                const quint32 value = reader.u16(position + 8);
                return type == unsignedShort && count == 1 && value >= 1 && value <= 8 ? value : 1;
            }
            if (!reader.has(position, entryLength)) {
                return 1;
            }
            position += entryLength;
        }
        // The next directory; none after the last.
        if (!reader.has(position, 4)) {
            return 1;
        }
        directory = reader.u32(position);
        position += 4;
        if (directory == 0) {
            return 1;
        }
    }
    return 1;
}

} // namespace platform
