#include "platform/graphics/BmpFile.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/tests/support/TestPictures.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using platform::BmpFile;
using platform::ImageDecoder;
using platform::PictureRefusal;
namespace tp = testpictures;

namespace {

// Gradients across and down, with a block pattern, so that a row or column
// out of place shows at every depth.
QImage scene(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int block = ((x / 3 + y / 5) % 2) * 120;
            line[x] = qRgb(x * 255 / width, y * 255 / height, (block + x + 2 * y) & 255);
        }
    }
    return image;
}

struct Depth {
    const char* name;
    int bits;
    bool bitFields;
};

const Depth everyDepth[] = {
    {"1 bit", 1, false},
    {"4 bits", 4, false},
    {"8 bits", 8, false},
    {"16 bits", 16, false},
    {"24 bits", 24, false},
    {"32 bits", 32, false},
    {"32 bits in bit fields", 32, true},
};

QImage readByQt(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, "bmp").read();
}

// The same format, colours and pixels, to the bit.
void expectSamePicture(const QImage& ours, const QImage& expected) {
    ASSERT_FALSE(expected.isNull());
    ASSERT_EQ(ours.size(), expected.size());
    ASSERT_EQ(ours.format(), expected.format());
    EXPECT_EQ(ours.colorTable(), expected.colorTable());
    EXPECT_EQ(ours.dotsPerMeterX(), expected.dotsPerMeterX());
    EXPECT_EQ(ours.convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
}

} // namespace

// Stored from the top down (a negative height), a BMP is the very picture of
// its bottom-up twin, at every depth and size; its size is told positive.
TEST(BmpFile, aTopDownBmpIsThePictureOfItsBottomUpTwin) {
    struct Size {
        int width;
        int height;
        bool everyDepth;
    };
    for (const Size& size : {Size{4, 4, true}, Size{400, 300, true}, Size{4000, 3000, false}}) {
        const QImage picture = scene(size.width, size.height);
        for (const Depth& depth : everyDepth) {
            if (!size.everyDepth && depth.bits != 24) {
                continue;
            }
            SCOPED_TRACE(testing::Message()
                         << size.width << " x " << size.height << ", " << depth.name);
            const QByteArray bottomUp = tp::bmp(picture, depth.bits, false, depth.bitFields);
            const QByteArray topDown = tp::bmp(picture, depth.bits, true, depth.bitFields);
            const auto up = ImageDecoder::decode(bottomUp);
            PictureRefusal why = PictureRefusal::tooLarge;
            const auto down = ImageDecoder::decode(topDown, &why);
            ASSERT_TRUE(up);
            ASSERT_TRUE(down) << int(why);
            expectSamePicture(down->image, up->image);
            const auto stored = ImageDecoder::storedSize(topDown);
            ASSERT_TRUE(stored);
            EXPECT_EQ(stored->size, picture.size());
            if (depth.bits >= 24) {
                EXPECT_EQ(up->image.convertToFormat(QImage::Format_RGB32), picture);
            }
        }
    }
}

// Read in strips, each a file of its own, a BMP is the picture Qt's reader
// makes of it whole: strips of five rows and a last one of fewer, from
// either end.
TEST(BmpFile, stripsGiveThePictureQtsReaderMakesOfTheWholeFile) {
    const QImage picture = scene(37, 29);
    for (const Depth& depth : everyDepth) {
        for (const bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << depth.name << (topDown ? ", top-down" : ""));
            const QByteArray file = tp::bmp(picture, depth.bits, topDown, depth.bitFields);
            const auto bmp = BmpFile::read(file);
            ASSERT_TRUE(bmp);
            EXPECT_EQ(bmp->isTopDown(), topDown);
            const QImage whole = readByQt(file);
            for (const qint64 stripPixels : {qint64(37) * 5, qint64(37) * 29, qint64(37)}) {
                const auto strips = bmp->readInStrips(file, stripPixels);
                ASSERT_TRUE(strips) << stripPixels;
                expectSamePicture(*strips, whole);
            }
            // A strip narrower than a row, a cut file, and one whose pixel
            // offset points into its headers make nothing.
            EXPECT_FALSE(bmp->readInStrips(file, 36));
            EXPECT_FALSE(bmp->readInStrips(file.left(file.size() - 1), 37 * 5));
            QByteArray intoHeaders = file;
            intoHeaders[10] = 9;
            intoHeaders[11] = 0;
            const auto misplaced = BmpFile::read(intoHeaders);
            ASSERT_TRUE(misplaced);
            EXPECT_FALSE(misplaced->readInStrips(intoHeaders, 37 * 5));
        }
    }
}

// A 1-bit BMP of 23000 x 23000 is within the pixel cap and takes 66 MB, but
// Qt's reader reads no BMP of more than 16384 x 16384 pixels: it is read in
// strips, rows at the strips' seams included, from either end.
TEST(BmpFile, aBmpBeyondWhatQtsReaderReadsWholeIsReadInStrips) {
    constexpr int side = 23000;
    QImage picture(side, side, QImage::Format_Mono);
    ASSERT_FALSE(picture.isNull());
    picture.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < side; ++y) {
        std::memset(picture.scanLine(y), (y / 7) % 2 ? 0xC3 : 0x3C, size_t(picture.bytesPerLine()));
    }
    const QByteArray bottomUp = tp::bmp(picture, 1);
    const auto bmp = BmpFile::read(bottomUp);
    ASSERT_TRUE(bmp);
    EXPECT_FALSE(bmp->fitsQtsReader());
    EXPECT_TRUE(readByQt(bottomUp).isNull());

    const qint64 stripRows = BmpFile::stripPixelLimit / side;
    std::vector<int> rows = {0, 1, side / 2, side - 2, side - 1};
    for (qint64 seam = stripRows; seam < side; seam += stripRows) {
        rows.insert(rows.end(), {int(seam) - 1, int(seam)});
    }
    PictureRefusal why = PictureRefusal::tooLarge;
    const auto up = ImageDecoder::decode(bottomUp, &why);
    ASSERT_TRUE(up) << int(why);
    EXPECT_EQ(up->image.size(), QSize(side, side));
    EXPECT_EQ(up->image.format(), QImage::Format_Mono);
    for (const int y : rows) {
        for (const int x : {0, 1, 2, 3, 7, 8, side / 3, side - 2, side - 1}) {
            ASSERT_EQ(up->image.pixel(x, y), picture.pixel(x, y)) << x << ", " << y;
        }
    }
    const auto down = ImageDecoder::decode(tp::bmp(picture, 1, true));
    ASSERT_TRUE(down);
    ASSERT_EQ(down->image.bytesPerLine(), up->image.bytesPerLine());
    EXPECT_EQ(std::memcmp(down->image.constBits(), up->image.constBits(),
                          size_t(up->image.sizeInBytes())),
              0);
}

// Run-length coded rows cannot be cut into strips: a BMP of them beyond
// what Qt's reader reads whole is too large for the program, and says so.
TEST(BmpFile, aCodedBmpBeyondWhatQtsReaderReadsWholeIsTooLarge) {
    constexpr int width = 20000;
    constexpr int height = 14000;
    QByteArray runs;
    for (int y = 0; y < height; ++y) {
        for (int left = width; left > 0; left -= 255) {
            runs.append(char(std::min(left, 255)));
            runs.append(char(y & 0xFF));
        }
        runs.append(2, '\0'); // end of the row
    }
    runs.append("\0\1", 2); // end of the picture
    QByteArray file = tp::bmp(tp::filled(1, 1, QImage::Format_Grayscale8, 0), 8);
    const qint64 offset = file.size() - 4; // one row of one pixel
    file.truncate(offset);
    file += runs;
    auto put32 = [&file](qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            file[at + i] = char((v >> (8 * i)) & 0xFF);
        }
    };
    put32(2, quint32(file.size()));
    put32(18, width);
    put32(22, height);
    put32(30, 1); // 8-bit runs
    put32(34, quint32(runs.size()));
    ASSERT_TRUE(ImageDecoder::bmpIsComplete(file));
    PictureRefusal why = PictureRefusal::noPicture;
    EXPECT_FALSE(ImageDecoder::decode(file, &why));
    EXPECT_EQ(why, PictureRefusal::tooLarge);
}
