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

// A GIF of the image's gray levels (Qt reads GIF but does not write it).
QByteArray gif(const QImage& image);

// A JPEG written with the JPEG library's own encoder, for the samplings and
// layouts Qt's writer does not make. The sampling is the luma's; the
// chroma's is 1 x 1. A quality below 25 gives 16-bit quantization tables.
struct LibraryJpeg {
    int hSampling = 2;
    int vSampling = 2;
    int quality = 88;
    bool progressive = false;
    bool grey = false;
    int restartRows = 0;
    int densityUnit = 0;
    int density = 1;
    const char* comment = nullptr;
};
QByteArray libraryJpeg(const QImage& picture, const LibraryJpeg& how);

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
