// Picture files of every accepted format, as a drop or a document brings them.

#include "fuzz/support/FuzzApplication.h"
#include "platform/graphics/BmpFile.h"
#include "platform/graphics/ImageDecoder.h"

#include <QBuffer>
#include <QImageReader>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// A BMP beyond what Qt's reader reads whole is read in strips, each a file
// of its own: here in strips of three rows, held against Qt's reading of
// the whole file wherever that reads it.
void readInStrips(const QByteArray& bytes) {
    const auto bmp = platform::BmpFile::read(bytes);
    if (!bmp || !bmp->fitsQtsReader() ||
        qint64(bmp->size().width()) * bmp->size().height() > 65536) {
        return;
    }
    const auto strips = bmp->readInStrips(bytes, qint64(bmp->size().width()) * 3);
    if (!strips) {
        return;
    }
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const QImage whole = QImageReader(&buffer, "bmp").read();
    if (!whole.isNull() && (whole.format() != strips->format() ||
                            whole.convertToFormat(QImage::Format_ARGB32) !=
                                strips->convertToFormat(QImage::Format_ARGB32))) {
        std::fprintf(stderr, "the strips are not Qt's picture\n");
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    platform::ImageDecoder::decode(bytes);
    // A quick look at a JPEG reads its header and pixels without Qt's reader.
    platform::ImageDecoder::decodeScaled(bytes, QSize(16, 16));
    readInStrips(bytes);
    return 0;
}
