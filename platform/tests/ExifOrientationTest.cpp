#include "platform/graphics/ExifOrientation.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/graphics/JpegDecoder.h"
#include "platform/tests/support/TestPictures.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

namespace tp = testpictures;
using platform::ExifOrientation;
using platform::ImageDecoder;
using platform::JpegDecoder;

namespace {

void put16(QByteArray& out, int value, bool bigEndian) {
    const char hi = char((value >> 8) & 0xFF);
    const char lo = char(value & 0xFF);
    out.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
}

void put32(QByteArray& out, quint32 value, bool bigEndian) {
    put16(out, bigEndian ? int(value >> 16) : int(value & 0xFFFF), bigEndian);
    put16(out, bigEndian ? int(value & 0xFFFF) : int(value >> 16), bigEndian);
}

struct Entry {
    int tag;
    int type;
    quint32 count;
    int value;
};

// EXIF data whose image directories hold the entries given, one directory
// after the other.
QByteArray exifData(const QList<QList<Entry>>& directories, bool bigEndian) {
    QByteArray tiff(bigEndian ? "MM" : "II");
    put16(tiff, 42, bigEndian);
    put32(tiff, 8, bigEndian);
    for (int d = 0; d < directories.size(); ++d) {
        const QList<Entry>& entries = directories[d];
        put16(tiff, int(entries.size()), bigEndian);
        for (const Entry& entry : entries) {
            put16(tiff, entry.tag, bigEndian);
            put16(tiff, entry.type, bigEndian);
            put32(tiff, entry.count, bigEndian);
            if (entry.type == 4) {
                put32(tiff, quint32(entry.value), bigEndian);
            } else {
                put16(tiff, entry.value, bigEndian);
                put16(tiff, 0, bigEndian);
            }
        }
        const bool last = d + 1 == directories.size();
        put32(tiff, last ? 0 : quint32(tiff.size() + 4), bigEndian);
    }
    return QByteArray("Exif\0\0", 6) + tiff;
}

constexpr int imageWidth = 0x0100;
constexpr int orientationTag = 0x0112;

// A block whose first directory holds another entry, then the orientation.
QByteArray exifBlock(int orientation, bool bigEndian) {
    return exifData({{{imageWidth, 4, 1, 640}, {orientationTag, 3, 1, orientation}}}, bigEndian);
}

// The JPEG with the block as an APP1 segment before its other segments.
QByteArray withApp1(const QByteArray& jpeg, const QByteArray& payload) {
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

quint32 qtOrientation(const QByteArray& jpeg) {
    QByteArray copy = jpeg;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    return ImageDecoder::exifOrientation(reader.transformation());
}

quint32 fromBytes(const QByteArray& block) {
    return ExifOrientation::fromApp1(reinterpret_cast<const uchar*>(block.constData()),
                                     std::size_t(block.size()));
}

QImage scene(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(250, 30, 10));
    gradient.setColorAt(0.5, QColor(20, 200, 90));
    gradient.setColorAt(1, QColor(10, 40, 240));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawEllipse(QRect(width / 5, height / 5, width / 2, height / 2));
    return image;
}

} // namespace

// Every orientation, in either byte order, is the one Qt's reader reports for
// the same file, read from the header alone.
TEST(ExifOrientation, AJpegsOrientationIsTheOneQtsReaderReports) {
    const QByteArray plain = tp::encode(scene(64, 48), "jpeg", 90);
    for (const bool bigEndian : {false, true}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const QByteArray jpeg = withApp1(plain, exifBlock(orientation, bigEndian));
            const auto header = JpegDecoder::header(jpeg);
            ASSERT_TRUE(header);
            EXPECT_EQ(header->exifOrientation, quint32(orientation))
                << orientation << (bigEndian ? " MM" : " II");
            EXPECT_EQ(header->exifOrientation, qtOrientation(jpeg));
            EXPECT_EQ(header->size, QSize(64, 48));
        }
    }
    // The test pictures' own EXIF, and none at all.
    EXPECT_EQ(JpegDecoder::header(tp::jpegWithOrientation(scene(64, 48), 6))->exifOrientation, 6u);
    EXPECT_EQ(JpegDecoder::header(plain)->exifOrientation, 1u);
    // Files Qt's reader reads otherwise than a first look would: the same
    // value as it, each.
    const QByteArray xmp("http://ns.adobe.com/xap/1.0/\0<x/>", 33);
    struct Case {
        const char* what;
        QByteArray jpeg;
        quint32 orientation;
    };
    for (const bool bigEndian : {false, true}) {
        const Case cases[] = {
            {"in the second directory",
             withApp1(plain, exifData({{{imageWidth, 4, 1, 640}}, {{orientationTag, 3, 1, 6}}},
                                      bigEndian)),
             6},
            {"a LONG", withApp1(plain, exifData({{{orientationTag, 4, 1, 6}}}, bigEndian)), 1},
            {"two values", withApp1(plain, exifData({{{orientationTag, 3, 2, 6}}}, bigEndian)), 1},
            {"the first of two entries",
             withApp1(plain, exifData({{{orientationTag, 3, 1, 3}, {orientationTag, 3, 1, 6}}},
                                      bigEndian)),
             3},
            {"XMP before the EXIF", withApp1(withApp1(plain, exifBlock(8, bigEndian)), xmp), 1},
            {"XMP after the EXIF", withApp1(withApp1(plain, xmp), exifBlock(8, bigEndian)), 8},
            {"two EXIF segments",
             withApp1(withApp1(plain, exifBlock(5, bigEndian)), exifBlock(7, bigEndian)), 7},
        };
        for (const Case& c : cases) {
            const auto header = JpegDecoder::header(c.jpeg);
            ASSERT_TRUE(header) << c.what;
            EXPECT_EQ(header->exifOrientation, c.orientation) << c.what;
            EXPECT_EQ(header->exifOrientation, qtOrientation(c.jpeg)) << c.what;
        }
    }
    EXPECT_FALSE(JpegDecoder::header(QByteArray("\xFF\xD8\xFF\xE0 not a picture", 18)));
}

// A damaged block gives the picture as stored and reads nothing outside it.
TEST(ExifOrientation, ADamagedBlockGivesThePictureAsStored) {
    const QByteArray plain = tp::encode(scene(64, 48), "jpeg", 90);
    for (const bool bigEndian : {false, true}) {
        const QByteArray block = exifBlock(6, bigEndian);
        EXPECT_EQ(fromBytes(block), 6u);
        // Cut anywhere: the value counts once its two bytes are there, as
        // for Qt's reader.
        const qsizetype valueEnd = 6 + 8 + 2 + 12 + 10;
        for (qsizetype length = 0; length <= block.size(); ++length) {
            // A copy of exactly that length, so that a read past it is a
            // read outside the allocation.
            const QByteArray cut(block.constData(), length);
            const quint32 read = fromBytes(cut);
            EXPECT_EQ(read, length < valueEnd ? 1u : 6u) << length;
            EXPECT_EQ(read, qtOrientation(withApp1(plain, cut))) << length;
        }

        QByteArray farDirectory = block;
        farDirectory.replace(6 + 4, 4,
                             bigEndian ? QByteArray("\x7F\xFF\xFF\xF0", 4)
                                       : QByteArray("\xF0\xFF\xFF\x7F", 4));
        EXPECT_EQ(fromBytes(farDirectory), 1u);
        // More entries announced than the block holds, none of them the
        // orientation: the reading stops at the block's end.
        QByteArray manyEntries = block;
        manyEntries.replace(6 + 8, 2, QByteArray("\xFF\xFF", 2));
        manyEntries.replace(6 + 22, 2,
                            bigEndian ? QByteArray("\x01\x13", 2) : QByteArray("\x13\x01", 2));
        EXPECT_EQ(fromBytes(QByteArray(manyEntries.constData(), manyEntries.size())), 1u);
        for (const int outOfRange : {0, 9, 0xFFFF}) {
            EXPECT_EQ(fromBytes(exifBlock(outOfRange, bigEndian)), 1u) << outOfRange;
        }
    }
    // A directory that would start inside the TIFF header.
    QByteArray backwards = exifBlock(6, false);
    backwards[6 + 4] = 4;
    EXPECT_EQ(fromBytes(backwards), 1u);
    QByteArray notTiff = exifBlock(6, false);
    notTiff[6] = 'X';
    EXPECT_EQ(fromBytes(notTiff), 1u);
    QByteArray not42 = exifBlock(6, false);
    not42[8] = 43;
    EXPECT_EQ(fromBytes(not42), 1u);
    EXPECT_EQ(fromBytes(QByteArray("Exif\0\0", 6)), 1u);
    EXPECT_EQ(ExifOrientation::fromApp1(nullptr, 0), 1u);
}

// The quick decode, made without Qt's reader, is the picture Qt's reader
// makes at the same scale, pixel for pixel, with the same orientation. (Sides
// that an eighth does not divide, Qt's reader decodes at a larger scale and
// smooths down; the decoder's own scale is what the quick look asks for.)
TEST(ExifOrientation, AQuickDecodeIsWhatQtsReaderMakesAtThatScale) {
    const QByteArray jpeg = withApp1(tp::encode(scene(800, 608), "jpeg", 92), exifBlock(6, true));
    for (const int denominator : {2, 4, 8}) {
        const QSize scaled(800 / denominator, 608 / denominator);
        // Upright the picture stands 601 wide; the bound is just under the
        // scale.
        const auto quick =
            ImageDecoder::decodeScaled(jpeg, QSize(608 / denominator, 800 / denominator));
        ASSERT_TRUE(quick) << denominator;
        EXPECT_EQ(quick->fullSize, QSize(800, 608));
        EXPECT_EQ(quick->decoded.exifOrientation, 6u);
        QByteArray copy = jpeg;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoTransform(false);
        reader.setScaledSize(scaled);
        const QImage byQt = reader.read();
        ASSERT_EQ(quick->decoded.image.size(), byQt.size()) << denominator;
        EXPECT_EQ(quick->decoded.image.convertToFormat(QImage::Format_RGB32),
                  byQt.convertToFormat(QImage::Format_RGB32))
            << denominator;
    }
}
