#include "platform/graphics/ImageDecoder.h"
#include "platform/tests/support/TestPictures.h"

#include <gtest/gtest.h>

using platform::ImageDecoder;
namespace tp = testpictures;

namespace {

// 6 x 4 colour picture with a distinct pixel in its top-left corner.
QImage cornerMarked() {
    QImage image = tp::filled(6, 4, QImage::Format_RGB32, qRgb(255, 255, 255));
    image.setPixel(0, 0, qRgb(0, 0, 0));
    return image;
}

struct FormatCase {
    const char* name;
    QByteArray bytes;
};

QList<FormatCase> everyFormat() {
    const QImage image = cornerMarked();
    return {
        {"png", tp::encode(image, "png")}, {"jpeg", tp::encode(image, "jpeg", 100)},
        {"bmp", tp::encode(image, "bmp")}, {"tiff", tp::encode(image, "tiff")},
        {"gif", tp::gif(image)},           {"heic", tp::heic(image)},
    };
}

} // namespace

TEST(ImageDecoder, decodesEveryAcceptedFormatUnturned) {
    for (const FormatCase& c : everyFormat()) {
        SCOPED_TRACE(c.name);
        if (c.bytes.isEmpty()) {
            continue; // no HEIC encoder on this machine
        }
        EXPECT_EQ(ImageDecoder::sniffFormat(c.bytes), QByteArray(c.name));
        const auto decoded = ImageDecoder::decode(c.bytes);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->image.size(), QSize(6, 4));
        EXPECT_EQ(decoded->exifOrientation, 1u);
        // Lossy formats blur a little; the corner stays dark, the rest light.
        EXPECT_LT(qGray(decoded->image.pixel(0, 0)), 100);
        EXPECT_GT(qGray(decoded->image.pixel(5, 3)), 200);
    }
}

TEST(ImageDecoder, heicEncoderIsPresent) {
    // The HEIC cases above are only meaningful when libheif can encode.
    EXPECT_FALSE(tp::heic(cornerMarked()).isEmpty());
}

TEST(ImageDecoder, grayPngStaysGrayAndRgbaKeepsAlpha) {
    const auto gray = ImageDecoder::decode(
        tp::encode(tp::filled(3, 3, QImage::Format_Grayscale8, qRgb(90, 90, 90)), "png"));
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->image.format(), QImage::Format_Grayscale8);
    const auto rgba = ImageDecoder::decode(
        tp::encode(tp::filled(3, 3, QImage::Format_ARGB32, qRgba(10, 20, 30, 40)), "png"));
    ASSERT_TRUE(rgba);
    EXPECT_TRUE(rgba->image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(rgba->image.pixel(1, 1)), 40);
}

TEST(ImageDecoder, readsOrientationWithoutApplyingIt) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const auto jpeg =
            ImageDecoder::decode(tp::jpegWithOrientation(cornerMarked(), orientation));
        ASSERT_TRUE(jpeg);
        EXPECT_EQ(jpeg->exifOrientation, quint32(orientation));
        EXPECT_EQ(jpeg->image.size(), QSize(6, 4));
        const auto tiff =
            ImageDecoder::decode(tp::tiffWithOrientation(cornerMarked(), orientation));
        ASSERT_TRUE(tiff);
        EXPECT_EQ(tiff->exifOrientation, quint32(orientation));
        EXPECT_EQ(tiff->image.size(), QSize(6, 4));
    }
}

TEST(ImageDecoder, badInputIsNoPicture) {
    EXPECT_FALSE(ImageDecoder::decode(QByteArray()));
    EXPECT_FALSE(ImageDecoder::decode(QByteArray("hello, this is plain text\n")));
    EXPECT_FALSE(ImageDecoder::decode(QByteArray(4096, '\0')));
    EXPECT_FALSE(ImageDecoder::decode(tp::pdf({QRectF(0, 0, 100, 100), {}, 0, {}})));
    for (const FormatCase& c : everyFormat()) {
        SCOPED_TRACE(c.name);
        if (c.bytes.isEmpty()) {
            continue;
        }
        // Cut into the pixel data (a file that loses only its end marker
        // still holds every pixel).
        for (qsizetype length :
             {qsizetype(1), qsizetype(8), c.bytes.size() / 2, c.bytes.size() * 3 / 4}) {
            SCOPED_TRACE(length);
            EXPECT_FALSE(ImageDecoder::decode(c.bytes.left(length)));
        }
        // Header intact, everything after it garbage.
        QByteArray corrupt = c.bytes;
        for (qsizetype i = 40; i < corrupt.size(); ++i) {
            corrupt[i] = char(0x5A ^ (i * 7));
        }
        ImageDecoder::decode(corrupt); // may or may not decode, but must not crash
    }
}

TEST(ImageDecoder, refusesPicturesBeyondTheCapBeforeDecoding) {
    // A PNG whose header claims 40000 x 40000 pixels: refused from the header.
    QByteArray png = tp::encode(tp::filled(2, 2, QImage::Format_Grayscale8, 0), "png");
    auto put32 = [&](qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            png[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
        }
    };
    put32(16, 40000);
    put32(20, 40000);
    EXPECT_FALSE(ImageDecoder::decode(png));
}

TEST(ImageDecoder, bmpCompletenessNeedsEveryRow) {
    const QByteArray bmp = tp::encode(cornerMarked(), "bmp");
    EXPECT_TRUE(ImageDecoder::bmpIsComplete(bmp));
    EXPECT_FALSE(ImageDecoder::bmpIsComplete(bmp.left(bmp.size() - 1)));

    // A bare header claiming the largest sides: the pixels it needs are far
    // beyond any count of bytes, not a count that wrapped around.
    QByteArray header = bmp.left(54);
    auto put32 = [&](qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            header[at + i] = char((v >> (8 * i)) & 0xFF);
        }
    };
    put32(10, 54);
    put32(18, 0x7FFFFFFF);
    put32(22, 0x7FFFFFFF);
    EXPECT_FALSE(ImageDecoder::bmpIsComplete(header));
    put32(22, 0x80000001); // top-down rows
    EXPECT_FALSE(ImageDecoder::bmpIsComplete(header));
}

TEST(ImageDecoder, jpegCompletenessNeedsTheEndMarker) {
    const QByteArray jpeg = tp::encode(cornerMarked(), "jpeg");
    EXPECT_TRUE(ImageDecoder::jpegIsComplete(jpeg));
    EXPECT_TRUE(ImageDecoder::jpegIsComplete(jpeg + "trailing bytes"));
    EXPECT_FALSE(ImageDecoder::jpegIsComplete(jpeg.left(jpeg.size() - 2)));
    EXPECT_FALSE(ImageDecoder::jpegIsComplete(QByteArray("\xFF\xD8", 2)));
}
