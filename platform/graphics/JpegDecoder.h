#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

namespace platform {

class DecodingRows;

// Decodes JPEG files through the JPEG library, a few rows at a time, so that
// a reader can work on the rows already done. The pixels, their format, the
// resolution, the texts and the colour space are those Qt's reader gives the
// same file: 32-bit pixels for colour (CMYK turned to RGB as Qt's reader
// turns it), 8-bit gray for gray. Unlike Qt's reader it bounds what a file
// can make it do: the memory a decode takes is counted from the header
// before it starts, and the decode stops past maximumScans() scans.
class JpegDecoder {
public:
    // A progressive photo has about ten scans; an encoder that gives each
    // coefficient of each of four components a scan of its own and refines
    // it once writes 512. Each scan is a pass over the picture's blocks, so
    // a file of many empty scans takes as long as that many decodes while
    // it is only a few bytes per scan: the decode ends past mostScans for a
    // picture of up to 24 megapixels, and past fewer for a larger one, so
    // that the passes never add up to more than 1000 over 24 megapixels
    // (about two seconds here), but never past fewer than fewestScans.
    static constexpr int mostScans = 1000;
    static constexpr int fewestScans = 64;
    static int maximumScans(qint64 pixels);

    enum class Outcome {
        decoded,
        // The library refuses the header, or its components make no picture
        // (two, five or more).
        notAPicture,
        // The decode takes more memory than ImageLimits lets one decode take.
        tooLarge,
        // The file has more than maximumScans() scans.
        tooManyScans,
        // The memory for the pixels or the library's buffers could not be had.
        outOfMemory,
        // The library stopped on damaged data.
        failed,
    };

    // Decodes the primary picture of `data` into `image` (not turned by its
    // orientation), at 1/`denominator` of its size (1, 2, 4 or 8) as the
    // library scales while it decodes. `scansRead`, when given, is told the
    // number of the last scan the library started on.
    static Outcome decode(const QByteArray& data, QImage& image, DecodingRows* rows = nullptr,
                          int denominator = 1, int* scansRead = nullptr);

    // What the header tells, read by the library without decoding a pixel.
    struct Header {
        QSize size;
        // From the EXIF data in the APP1 segments, as Qt's reader reads it.
        quint32 exifOrientation = 1;
        // Of the pixels decode() makes.
        QImage::Format format = QImage::Format_RGB32;
        // The coefficients come in several scans (a progressive file): a
        // decode at any scale reads them all into the whole picture's
        // coefficients first.
        bool multipleScans = false;
        // What a whole decode allocates: its pixels, the coefficients of the
        // whole picture where the file has more than one scan, and the rows
        // the library and the colour conversion work in.
        qint64 decodeBytes = 0;
    };
    // Nothing for a file whose header the library refuses, or whose
    // components make no picture.
    static std::optional<Header> header(const QByteArray& data);
};

} // namespace platform
