#include "platform/graphics/ImageDecoder.h"

#include "platform/graphics/BmpFile.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/HeifDecoder.h"
#include "platform/graphics/ImageFileCheck.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/JpegDecoder.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QScopeGuard>

#include <algorithm>
#include <cstring>
#include <future>
#include <memory>

namespace platform {

namespace {

bool startsWith(const QByteArray& data, const char* magic, qsizetype length) {
    return data.size() >= length && memcmp(data.constData(), magic, size_t(length)) == 0;
}

// The reader of a file whose header passed every check before its pixels
// are decoded; nothing for a file decode() refuses.
struct CheckedReader {
    QByteArray bytes; // shares; QBuffer wants a non-const array
    QBuffer buffer{&bytes};
    QImageReader reader;
    QSize size;
    int bitsPerPixel = 32;
    quint32 orientation = 1;
    // A BMP's headers, which tell its size where Qt's reader does not.
    std::optional<BmpFile> bmp;
};

void refuse(PictureRefusal* why, PictureRefusal refusal) {
    if (why) {
        *why = refusal;
    }
}

// A picture is decoded at the size its header announces: one the cap admits
// in pixels of this many bits, and the file's bytes can hold.
bool admitsAnnounced(const QByteArray& format, const QByteArray& data, const QSize& size,
                     int bitsPerPixel, PictureRefusal* why) {
    if (!ImageLimits::admitsDecode(size.width(), size.height(), bitsPerPixel)) {
        refuse(why, PictureRefusal::tooLarge);
        return false;
    }
    return ImageFileCheck::canHold(format, data.size(), size.width(), size.height());
}

// A JPEG is decoded when the cap admits its pixels and the memory its
// decode takes, counted from the header, stays within the budget.
bool admitsJpeg(const JpegDecoder::Header& header, PictureRefusal* why) {
    if (!ImageLimits::admits(header.size.width(), header.size.height()) ||
        !ImageLimits::admitsDecodeBytes(header.decodeBytes)) {
        refuse(why, PictureRefusal::tooLarge);
        return false;
    }
    return true;
}

// A decode that made no pixels: for want of the memory they take, or of a
// file that holds them.
void refuseUnmade(PictureRefusal* why, qint64 bytes) {
    refuse(why, ImageLimits::memoryIsThere(bytes) ? PictureRefusal::noPicture
                                                  : PictureRefusal::outOfMemory);
}

// The canvas a GIF is drawn on: its logical screen, which Qt's reader
// allocates and fills whatever the frames cover.
bool gifScreenIsBounded(const QByteArray& data, PictureRefusal* why) {
    if (data.size() < 10) {
        return true; // gifIsComplete refuses it
    }
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 width = p[6] | p[7] << 8;
    const qint64 height = p[8] | p[9] << 8;
    if (width == 0 || height == 0) {
        return true; // the frames' own sides count
    }
    // The screen is painted from the file's bytes like any picture: one
    // that the bytes could never cover is a canvas allocated for nothing.
    if (!ImageLimits::admits(width, height) ||
        !ImageFileCheck::canHold("gif", data.size(), width, height)) {
        refuse(why, PictureRefusal::tooLarge);
        return false;
    }
    return true;
}

std::unique_ptr<CheckedReader> openChecked(const QByteArray& data, const QByteArray& format,
                                           PictureRefusal* why) {
    refuse(why, PictureRefusal::noPicture);
    const auto bmp = format == "bmp" ? BmpFile::read(data) : std::nullopt;
    // Qt's readers return truncated files as pictures with a blank part.
    if ((format == "bmp" && !(bmp && bmp->isComplete(data))) ||
        (format == "png" && !ImageFileCheck::pngIsComplete(data)) ||
        (format == "gif" && !ImageFileCheck::gifIsComplete(data))) {
        return nullptr;
    }
    if (format == "gif" && !gifScreenIsBounded(data, why)) {
        return nullptr;
    }
    ImageLimits::applyToImageReader();
    auto checked = std::make_unique<CheckedReader>();
    checked->bytes = data;
    if (!checked->buffer.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QImageReader& reader = checked->reader;
    reader.setDevice(&checked->buffer);
    reader.setFormat(format);
    reader.setAutoTransform(false);
    if (!reader.canRead()) {
        return nullptr;
    }
    int bits = 32;
    if (bmp) {
        // Qt's reader tells a top-down BMP's height as negative, and no
        // size at all for one beyond what it reads whole.
        checked->size = bmp->size();
        bits = bmp->decodedBitsPerPixel();
        checked->bmp = bmp;
    } else {
        checked->size = reader.size();
        const QImage::Format decodedFormat = reader.imageFormat();
        if (decodedFormat != QImage::Format_Invalid) {
            bits = QImage::toPixelFormat(decodedFormat).bitsPerPixel();
        }
    }
    const QSize& size = checked->size;
    if (!size.isValid()) {
        return nullptr;
    }
    if (!admitsAnnounced(format, data, size, bits, why)) {
        return nullptr;
    }
    checked->bitsPerPixel = bits;
    checked->orientation = ImageDecoder::exifOrientation(reader.transformation());
    return checked;
}

std::optional<DecodedImage> read(CheckedReader& checked, PictureRefusal* why) {
    QImageReader& reader = checked.reader;
    DecodedImage decoded;
    decoded.exifOrientation = checked.orientation;
    const QSize size = reader.scaledSize().isValid() ? reader.scaledSize() : checked.size;
    if (!reader.read(&decoded.image) || decoded.image.isNull()) {
        refuseUnmade(why, qint64(size.width()) * size.height() * checked.bitsPerPixel / 8);
        return std::nullopt;
    }
    if (!ImageLimits::admits(decoded.image.width(), decoded.image.height())) {
        refuse(why, PictureRefusal::tooLarge);
        return std::nullopt;
    }
    return decoded;
}

// A JPEG whose header passed every check before its pixels are decoded:
// the JPEG library reads every JPEG, never Qt's reader, whose decode no
// bound holds. Nothing for a file decode() refuses.
std::optional<JpegDecoder::Header> checkedJpeg(const QByteArray& data, PictureRefusal* why) {
    refuse(why, PictureRefusal::noPicture);
    // A cut file is refused as such, whatever it announces.
    if (!ImageDecoder::jpegIsComplete(data)) {
        return std::nullopt;
    }
    auto header = JpegDecoder::header(data);
    if (!header) {
        return std::nullopt;
    }
    if (!admitsJpeg(*header, why)) {
        return std::nullopt;
    }
    if (!ImageFileCheck::canHold("jpeg", data.size(), header->size.width(),
                                 header->size.height())) {
        return std::nullopt;
    }
    return header;
}

// The picture the JPEG decoder made, or why it made none.
std::optional<DecodedImage> decodedJpeg(JpegDecoder::Outcome outcome, DecodedImage& decoded,
                                        PictureRefusal* why) {
    switch (outcome) {
    case JpegDecoder::Outcome::decoded:
        if (!ImageLimits::admits(decoded.image.width(), decoded.image.height())) {
            refuse(why, PictureRefusal::tooLarge);
            return std::nullopt;
        }
        return decoded;
    case JpegDecoder::Outcome::tooLarge:
    case JpegDecoder::Outcome::tooManyScans:
        refuse(why, PictureRefusal::tooLarge);
        return std::nullopt;
    case JpegDecoder::Outcome::outOfMemory:
        refuse(why, PictureRefusal::outOfMemory);
        return std::nullopt;
    case JpegDecoder::Outcome::notAPicture:
    case JpegDecoder::Outcome::failed:
        break;
    }
    refuse(why, PictureRefusal::noPicture);
    return std::nullopt;
}

std::optional<DecodedImage> decodeJpeg(const QByteArray& data, PictureRefusal* why,
                                       DecodingRows* rows) {
    const auto header = checkedJpeg(data, why);
    if (!header) {
        return std::nullopt;
    }
    DecodedImage decoded;
    decoded.exifOrientation = header->exifOrientation;
    return decodedJpeg(JpegDecoder::decode(data, decoded.image, rows), decoded, why);
}

// A BMP beyond what Qt's reader reads whole, read in strips: one whose
// rows are not of a fixed size, or whose strips would take the memory
// beyond the budget, is too large for the program to read.
std::optional<DecodedImage> readBmpInStrips(const BmpFile& bmp, const CheckedReader& checked,
                                            const QByteArray& data, PictureRefusal* why) {
    const qint64 pixelBytes =
        qint64(checked.size.width()) * checked.size.height() * checked.bitsPerPixel / 8;
    if (!bmp.hasFixedRows() || !ImageLimits::admitsDecodeBytes(pixelBytes + bmp.stripBytes())) {
        refuse(why, PictureRefusal::tooLarge);
        return std::nullopt;
    }
    auto image = bmp.readInStrips(data);
    if (!image) {
        refuseUnmade(why, pixelBytes);
        return std::nullopt;
    }
    return DecodedImage{*image, 1};
}

std::optional<DecodedImage> decodeChecked(const QByteArray& data, const QByteArray& format,
                                          PictureRefusal* why) {
    const auto checked = openChecked(data, format, why);
    if (!checked) {
        return std::nullopt;
    }
    if (checked->bmp && !checked->bmp->fitsQtsReader()) {
        return readBmpInStrips(*checked->bmp, *checked, data, why);
    }
    return read(*checked, why);
}

// The side JPEG's decoder makes at 1/denominator.
int scaledSide(int side, int denominator) {
    return (side + denominator - 1) / denominator;
}

// The smallest size JPEG's decoder makes while decoding (1/2, 1/4 or 1/8)
// that still covers the bound, taken upright as the orientation turns the
// picture; 1 where the bound does not halve it.
int scaledDenominator(const QSize& full, quint32 orientation, const QSize& bound) {
    // Orientations 5 to 8 turn the picture a quarter.
    const QSize stored = orientation >= 5 ? bound.transposed() : bound;
    const double scale =
        std::min(double(stored.width()) / full.width(), double(stored.height()) / full.height());
    if (!(scale <= 0.5)) {
        return 1;
    }
    const double fitWidth = full.width() * scale;
    const double fitHeight = full.height() * scale;
    for (const int d : {8, 4}) {
        if (scaledSide(full.width(), d) >= fitWidth && scaledSide(full.height(), d) >= fitHeight) {
            return d;
        }
    }
    return 2;
}

} // namespace

std::optional<ScaledDecodedImage>
ImageDecoder::decodeScaled(const QByteArray& data, const QSize& bound, PictureRefusal* why,
                           const std::function<void(const StoredSize&)>& headerRead) {
    refuse(why, PictureRefusal::noPicture);
    if (bound.isEmpty() || sniffFormat(data) != "jpeg") {
        return std::nullopt;
    }
    const auto header = JpegDecoder::header(data);
    if (!header) {
        return std::nullopt;
    }
    const QSize full = header->size;
    if (!admitsJpeg(*header, why) ||
        !ImageFileCheck::canHold("jpeg", data.size(), full.width(), full.height())) {
        // A cut file is refused as such, whatever it announces.
        if (!jpegIsComplete(data)) {
            refuse(why, PictureRefusal::noPicture);
        }
        return std::nullopt;
    }
    const int denominator = scaledDenominator(full, header->exifOrientation, bound);
    if (denominator == 1) {
        return std::nullopt;
    }
    // Whether the file is whole is told by a scan of all its bytes, which
    // takes as long as a good part of the decode: the scan runs beside it,
    // and only a whole file's header is told of. Without a thread for it,
    // both come after the decode.
    std::future<bool> whole = std::async(std::launch::async | std::launch::deferred, [&] {
        if (!jpegIsComplete(data)) {
            return false;
        }
        if (headerRead) {
            headerRead(StoredSize{full, header->exifOrientation});
        }
        return true;
    });
    DecodedImage decoded;
    decoded.exifOrientation = header->exifOrientation;
    const JpegDecoder::Outcome outcome =
        JpegDecoder::decode(data, decoded.image, nullptr, denominator);
    if (!whole.get()) {
        refuse(why, PictureRefusal::noPicture);
        return std::nullopt;
    }
    const auto made = decodedJpeg(outcome, decoded, why);
    if (!made) {
        return std::nullopt;
    }
    return ScaledDecodedImage{*made, full};
}

bool ImageDecoder::scalesQuicker(const QByteArray& standIn, const QByteArray& data) {
    if (sniffFormat(standIn) != "jpeg" || sniffFormat(data) != "jpeg") {
        return false;
    }
    const auto quick = JpegDecoder::header(standIn);
    const auto picture = JpegDecoder::header(data);
    return quick && picture && !quick->multipleScans &&
           (picture->multipleScans || standIn.size() < data.size());
}

std::optional<ImageDecoder::StoredSize> ImageDecoder::storedSize(const QByteArray& data,
                                                                 PictureRefusal* why) {
    refuse(why, PictureRefusal::noPicture);
    const QByteArray format = sniffFormat(data);
    if (format.isEmpty() || format == "heic") {
        return std::nullopt;
    }
    if (format == "jpeg") {
        const auto header = checkedJpeg(data, why);
        if (!header) {
            return std::nullopt;
        }
        return StoredSize{header->size, header->exifOrientation};
    }
    const auto checked = openChecked(data, format, why);
    if (!checked) {
        return std::nullopt;
    }
    return StoredSize{checked->size, checked->orientation};
}

quint32 ImageDecoder::exifOrientation(QImageIOHandler::Transformations t) {
    switch (int(t)) {
    case QImageIOHandler::TransformationMirror:
        return 2;
    case QImageIOHandler::TransformationRotate180:
        return 3;
    case QImageIOHandler::TransformationFlip:
        return 4;
    case QImageIOHandler::TransformationFlipAndRotate90:
        return 5;
    case QImageIOHandler::TransformationRotate90:
        return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90:
        return 7;
    case QImageIOHandler::TransformationRotate270:
        return 8;
    default:
        return 1;
    }
}

QByteArray ImageDecoder::sniffFormat(const QByteArray& data) {
    if (startsWith(data, "\x89PNG\r\n\x1a\n", 8)) {
        return "png";
    }
    if (startsWith(data, "\xff\xd8\xff", 3)) {
        return "jpeg";
    }
    if (startsWith(data, "GIF87a", 6) || startsWith(data, "GIF89a", 6)) {
        return "gif";
    }
    if (startsWith(data, "BM", 2) && data.size() >= 26) {
        return "bmp";
    }
    if (startsWith(data, "II*\0", 4) || startsWith(data, "MM\0*", 4)) {
        return "tiff";
    }
    if (HeifDecoder::canDecode(data)) {
        return "heic";
    }
    return {};
}

std::optional<DecodedImage> ImageDecoder::decode(const QByteArray& data, PictureRefusal* why,
                                                 DecodingRows* rows) {
    // Whatever decodes it, a reader of the rows learns that no more come.
    const auto finished = qScopeGuard([rows] {
        if (rows) {
            rows->finish();
        }
    });
    refuse(why, PictureRefusal::noPicture);
    const QByteArray format = sniffFormat(data);
    if (format.isEmpty()) {
        return std::nullopt;
    }
    if (format == "heic") {
        return HeifDecoder::decodePrimaryImage(data, why);
    }
    if (format == "jpeg") {
        return decodeJpeg(data, why, rows);
    }
    return decodeChecked(data, format, why);
}

bool ImageDecoder::bmpIsComplete(const QByteArray& data) {
    const auto bmp = BmpFile::read(data);
    return bmp && bmp->isComplete(data);
}

bool ImageDecoder::jpegIsComplete(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype n = data.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) {
        return false;
    }
    qsizetype i = 2;
    while (i < n) {
        // Markers start with 0xFF, possibly preceded by fill bytes.
        if (p[i] != 0xFF) {
            return false;
        }
        while (i < n && p[i] == 0xFF) {
            ++i;
        }
        if (i >= n) {
            return false;
        }
        const uchar marker = p[i++];
        if (marker == 0xD9) {
            return true;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue; // no length field
        }
        if (i + 2 > n) {
            return false;
        }
        const qsizetype length = (qsizetype(p[i]) << 8) | p[i + 1];
        if (length < 2 || i + length > n) {
            return false;
        }
        i += length;
        if (marker != 0xDA) {
            continue;
        }
        // Entropy-coded data follows a scan header; it ends at the first
        // marker that is neither a stuffed zero nor a restart marker.
        // Only 0xFF bytes can start one: memchr skips to them, several bytes
        // at a time (a photo's scan is megabytes long).
        while (i + 1 < n) {
            const auto* ff = static_cast<const uchar*>(memchr(p + i, 0xFF, size_t(n - 1 - i)));
            if (!ff) {
                i = n - 1;
                break;
            }
            i = ff - p;
            if (p[i + 1] != 0x00 && !(p[i + 1] >= 0xD0 && p[i + 1] <= 0xD7) && p[i + 1] != 0xFF) {
                break;
            }
            ++i;
        }
        if (i + 1 >= n) {
            return false;
        }
    }
    return false;
}

} // namespace platform
