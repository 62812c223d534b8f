#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

namespace platform {

// What a BMP's headers tell, read from its bytes, and the decode of a BMP
// larger than Qt's reader reads. Rows are stored bottom-up, or top-down
// where the header gives a negative height; either way the picture is the
// same.
class BmpFile {
public:
    // Qt's BMP reader refuses a picture of more pixels than this, whatever
    // memory there is.
    static constexpr qint64 qtReaderPixelLimit = qint64(16384) * 16384;
    // The most pixels of one strip read by Qt's reader, so that a strip of
    // 32-bit pixels takes 64 MB at most.
    static constexpr qint64 stripPixelLimit = qint64(16) << 20;

    // Nothing for bytes whose headers are no BMP a reader can be trusted
    // with: too short, an unknown header size, no sides.
    static std::optional<BmpFile> read(const QByteArray& data);

    // The picture's sides, the height positive.
    QSize size() const { return QSize(int(m_width), int(m_height)); }
    bool isTopDown() const { return m_topDown; }
    // The bits per pixel of the picture Qt's reader makes: 1 (a mono
    // picture), 8 (indexed) or 32.
    int decodedBitsPerPixel() const;
    // Whether the file holds every row its header announces (runs followed
    // to their end). Unknown compressions are refused.
    bool isComplete(const QByteArray& data) const;
    // Whether Qt's reader reads the whole file at once.
    bool fitsQtsReader() const { return m_width * m_height <= qtReaderPixelLimit; }
    // Whether its rows can be read in strips: rows of a fixed size, not
    // run-length coded.
    bool hasFixedRows() const;

    // The memory readInStrips() takes besides the picture: one strip's
    // file and its pixels.
    qint64 stripBytes(qint64 stripPixels = stripPixelLimit) const;
    // The picture Qt's reader makes of the whole file, read in strips of
    // at most `stripPixels` pixels, each a BMP of its own of the file's
    // headers and colours and some of its rows. Nothing for a file whose
    // rows are not fixed, whose row alone is beyond a strip, or that Qt's
    // reader refuses.
    std::optional<QImage> readInStrips(const QByteArray& data,
                                       qint64 stripPixels = stripPixelLimit) const;

private:
    BmpFile() = default;
    qint64 rowBytes() const;
    // Where the headers, the colours' masks and the colour table end: Qt's
    // reader reads them before the rows, whatever the pixel offset says.
    qint64 headersEnd() const;
    // Where Qt's reader starts on the rows.
    qint64 rowsStart() const;

    qint64 m_width = 0;
    qint64 m_height = 0;
    bool m_topDown = false;
    quint32 m_headerSize = 0;
    quint32 m_pixelOffset = 0;
    quint32 m_bitCount = 0;
    quint32 m_compression = 0;
    quint32 m_coloursUsed = 0;
};

} // namespace platform
