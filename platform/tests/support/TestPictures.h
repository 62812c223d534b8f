#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>

#include <optional>

// Picture files made on the spot for tests, so that no test depends on a
// sample file from elsewhere.
namespace testpictures {

// The image in a format Qt writes: "png", "jpeg", "bmp", "tiff".
QByteArray encode(const QImage& image, const char* format, int quality = -1);

// A JPEG (quality 100) that carries an EXIF orientation entry.
QByteArray jpegWithOrientation(const QImage& image, int orientation);

// A TIFF whose orientation tag holds the value.
QByteArray tiffWithOrientation(const QImage& image, int orientation);

// A BMP of the image in pixels of 1, 4, 8 (gray levels in an ordered
// table), 16 (5 bits each of red, green, blue), 24 or 32 bits, its rows
// stored bottom-up or top-down (a negative height); 32 bits with bit
// fields (the colours' masks in the header) when `bitFields`. A mono image
// keeps its own two colours.
QByteArray bmp(const QImage& image, int bits, bool topDown = false, bool bitFields = false);

// A GIF of the image's gray levels (Qt reads GIF but does not write it).
QByteArray gif(const QImage& image);

// A JPEG written with the JPEG library's own encoder, for the samplings,
// layouts and colours Qt's writer does not make. The sampling is the
// first component's; the others' is 1 x 1. A quality below 25 gives 16-bit
// quantization tables. CMYK and YCCK are stored inverted, as Adobe's
// programs store them, with the picture's red, green and blue as C, M and Y
// and a K that varies; two components hold its red and green.
struct LibraryJpeg {
    enum class Colours { rgb, grey, cmyk, ycck, twoComponents };
    int hSampling = 2;
    int vSampling = 2;
    int quality = 88;
    bool progressive = false;
    // Progressive, each coefficient of each component in a scan of its own.
    bool scanPerCoefficient = false;
    Colours colours = Colours::rgb;
    int restartRows = 0;
    int densityUnit = 0;
    int density = 1;
    const char* comment = nullptr;
};
QByteArray libraryJpeg(const QImage& picture, const LibraryJpeg& how);

// A progressive library JPEG of the picture followed by `count` copies of a
// scan that holds no data (the first component's AC coefficients, which its
// own scans already coded): each is a pass over the picture's blocks.
QByteArray jpegWithEmptyScans(const QImage& picture, int count);

// A library JPEG of 64 x 64 pixels whose frame announces width x height,
// made at least `bytes` long by segments of padding after its start. Its
// coded data runs out early; its header is all a decoder reads for certain.
QByteArray jpegAnnouncing(const LibraryJpeg& how, int width, int height, qint64 bytes);

// A HEIC file made with libheif's encoder; empty when libheif has none.
QByteArray heic(const QImage& image);

// A one-page PDF document. Sizes in points; `content` is the page's content
// stream, for instance "0 0 0 rg 10 10 50 50 re f".
struct PdfOptions {
    QRectF mediaBox;
    std::optional<QRectF> trimBox;
    int rotate = 0;
    QString content;
};
QByteArray pdf(const PdfOptions& options);
// The same with an empty page whose media box is written as given, for
// numbers a QRectF does not hold or writes otherwise, as "0 0 595 842".
QByteArray pdfWithMediaBox(const QByteArray& numbers);

// A PDF document of the objects, numbered from 1 in order (the first is the
// catalog), with a cross-reference table; `trailer` adds keys to the trailer.
QByteArray pdfOfObjects(const QList<QByteArray>& objects, const QByteArray& trailer = {});
// A one-page document (objects 1 to 3) whose page draws `content` with the
// resources given, followed by the further objects from number 5 on.
QByteArray pdfPage(const QByteArray& content, const QByteArray& resources = "<< >>",
                   const QList<QByteArray>& further = {});
// A stream object of the bytes, deflated, with more dictionary keys.
QByteArray deflatedStream(const QByteArray& bytes, const QByteArray& keys = {});

// An image of the size with every pixel set to the value, in the format.
QImage filled(int width, int height, QImage::Format format, QRgb value);

} // namespace testpictures
