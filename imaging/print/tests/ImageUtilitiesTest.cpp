#include "SplitTestSupport.h"
#include "imaging/print/ImageExtensions.h"
#include "imaging/print/ImageUtility.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using quenta::ImageExtensions;
using quenta::ImageUtility;

namespace {

QByteArray encoded(const char* format) {
    QImage image(8, 8, QImage::Format_Grayscale8);
    image.fill(128);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray jpegFile() {
    return encoded("JPEG");
}

TEST(ImageUtility, writesTheDensityIntoTheJfifHeader) {
    QByteArray file = jpegFile();
    ASSERT_EQ(file.mid(6, 5), QByteArray("JFIF\0", 5));
    const qsizetype length = file.size();
    ImageUtility::editJpegJfifDpi(file, 300);
    EXPECT_EQ(file.mid(13, 5), QByteArray("\x01\x01\x2C\x01\x2C", 5));
    ImageUtility::editJpegJfifDpi(file, 72);
    EXPECT_EQ(file.mid(13, 5), QByteArray("\x01\x00\x48\x00\x48", 5));
    EXPECT_EQ(file.size(), length);
    QImage reread;
    reread.loadFromData(file, "JPEG");
    EXPECT_NEAR(reread.dotsPerMeterX(), 72 / 0.0254, 1);
}

TEST(ImageUtility, refusedFilesStayAsTheyWere) {
    const QByteArray png = encoded("PNG");
    // A JFIF header that ends right after its density fields, or inside them.
    const QByteArray header = jpegFile().left(18);
    const QByteArray cut = header.left(15);

    for (QByteArray original : {png, header, cut, QByteArray()}) {
        QByteArray data = original;
        EXPECT_THROW(ImageUtility::editJpegJfifDpi(data, 300), ImageUtility::FormattingError);
        EXPECT_EQ(data, original);
    }
    for (int dpi : {-1, 32768}) {
        QByteArray data = jpegFile();
        const QByteArray original = data;
        EXPECT_THROW(ImageUtility::editJpegJfifDpi(data, dpi), ImageUtility::FormattingError);
        EXPECT_EQ(data, original);
    }
    QByteArray largest = jpegFile();
    ImageUtility::editJpegJfifDpi(largest, 32767);
    EXPECT_EQ(largest.mid(14, 2), QByteArray("\x7F\xFF", 2));
}

TEST(ImageExtensions, croppingAndFramingWithWhite) {
    const QImage image = splittest::picture(100, 80, {QRect(0, 0, 1, 1), QRect(99, 79, 1, 1)});

    // The whole picture is the picture itself; an empty rectangle is nothing.
    EXPECT_EQ(ImageExtensions::croppingOrAddingWhitespace(image, QRect(0, 0, 100, 80))->cacheKey(),
              image.cacheKey());
    EXPECT_EQ(ImageExtensions::shavingOrAddingEdges(image, QMargins())->cacheKey(),
              image.cacheKey());
    EXPECT_FALSE(ImageExtensions::croppingOrAddingWhitespace(image, QRect(3, 3, 0, 10)));

    const auto shaved = ImageExtensions::shavingOrAddingEdges(image, QMargins(5, 5, 5, 5));
    EXPECT_EQ(shaved->size(), QSize(90, 70));
    EXPECT_EQ(*shaved, image.copy(5, 5, 90, 70));

    const auto framed =
        ImageExtensions::croppingOrAddingWhitespace(image, QRect(-10, -10, 120, 100));
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->format(), QImage::Format_Grayscale8);
    EXPECT_EQ(framed->size(), QSize(120, 100));
    EXPECT_EQ(splittest::blackBounds(*framed), QRect(10, 10, 100, 80));
    EXPECT_EQ(framed->pixelColor(0, 0).value(), 255);
}

TEST(ImageExtensions, framingAgreesWithCroppingForLopsidedRectangles) {
    const QImage image = splittest::picture(40, 30, {QRect(0, 0, 1, 1)});
    // Starts inside the picture on top, goes beyond it at the bottom: the
    // picture's row 4 is the result's first row, as for a crop.
    const auto framed = ImageExtensions::croppingOrAddingWhitespace(image, QRect(-3, -6, 50, 20));
    ASSERT_TRUE(framed);
    EXPECT_EQ(splittest::blackBounds(*framed), QRect(3, 6, 1, 1));
    const auto lower = ImageExtensions::croppingOrAddingWhitespace(
        splittest::picture(40, 30, {QRect(10, 20, 1, 1)}), QRect(5, 15, 40, 30));
    EXPECT_EQ(splittest::blackBounds(*lower), QRect(5, 5, 1, 1));
    const auto inside = ImageExtensions::croppingOrAddingWhitespace(
        splittest::picture(40, 30, {QRect(10, 20, 1, 1)}), QRect(5, 15, 20, 10));
    EXPECT_EQ(splittest::blackBounds(*inside), QRect(5, 5, 1, 1));
}

TEST(ImageExtensions, digests) {
    EXPECT_EQ(ImageExtensions::md5Hash(QByteArray()).toHex(),
              QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(ImageExtensions::md5Hash(QByteArray("abc")).toHex(),
              QByteArray("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_FALSE(ImageExtensions::md5Hash(QImage()));
    const QImage a = splittest::picture(16, 4);
    EXPECT_EQ(ImageExtensions::md5Hash(a)->size(), 16);
    EXPECT_NE(ImageExtensions::md5Hash(a),
              ImageExtensions::md5Hash(splittest::picture(16, 4, {QRect(1, 1, 1, 1)})));
}

// Equal pictures give equal digests whatever lies in the padding at the end
// of their rows, and the digest is that of the pixels row after row.
TEST(ImageExtensions, digestsHashThePixelsOfEachRowWithoutTheirPadding) {
    // Rows of 5 gray bytes, stored 8 bytes apart with different padding.
    uchar first[8 * 3];
    uchar second[8 * 3];
    std::fill(std::begin(first), std::end(first), uchar(0xAA));
    std::fill(std::begin(second), std::end(second), uchar(0x55));
    QByteArray pixels;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const uchar value = uchar(y * 40 + x);
            first[y * 8 + x] = second[y * 8 + x] = value;
            pixels.append(char(value));
        }
    }
    const QImage a(first, 5, 3, 8, QImage::Format_Grayscale8);
    const QImage b(second, 5, 3, 8, QImage::Format_Grayscale8);
    ASSERT_EQ(ImageExtensions::md5Hash(a), ImageExtensions::md5Hash(b));
    EXPECT_EQ(*ImageExtensions::md5Hash(a), ImageExtensions::md5Hash(pixels));
    EXPECT_NE(ImageExtensions::md5Hash(a),
              ImageExtensions::md5Hash(splittest::picture(5, 3, {QRect(0, 0, 1, 1)})));

    // One-bit pictures: the unused bits of a row's last byte count for nothing.
    QImage mono(5, 2, QImage::Format_Mono);
    mono.fill(0);
    QImage other = mono.copy();
    for (QImage* image : {&mono, &other}) {
        for (int y = 0; y < 2; ++y) {
            image->scanLine(y)[0] = image == &mono ? 0b1010'0111 : 0b1010'0000;
        }
    }
    EXPECT_EQ(ImageExtensions::md5Hash(mono), ImageExtensions::md5Hash(other));
    other.setPixel(4, 1, 1);
    EXPECT_NE(ImageExtensions::md5Hash(mono), ImageExtensions::md5Hash(other));
}

} // namespace
