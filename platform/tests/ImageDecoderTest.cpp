#include "platform/graphics/ImageDecoder.h"
#include "platform/graphics/ImageFileCheck.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/JpegDecoder.h"
#include "platform/tests/support/AddressSpaceCap.h"
#include "platform/tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <vector>

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

namespace {

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

} // namespace

// Refused from the header: no picture of the announced size is made, which
// the process's peak memory shows (a 20000 x 20000 picture alone would take
// more than seven times the bound), however busy the machine.
TEST(ImageDecoder, headersAnnouncingMoreThanTheirBytesHoldAreRefusedWithoutMakingThePicture) {
    const QByteArray inputs[] = {
        // BMP of an unknown header size announcing 9727 x 17409.
        QByteArray::fromHex("424d0000000100ffffff4d0000000100ffffff25ffbb010018006a7065000025ffbb"
                            "010018006a70650000000000e0"),
        // GIFs whose screens are 18759 x 11334 and 11308 x 11308.
        QByteArray::fromHex("4749463837614749462c2c2c2c2c2c2c2c2d2c2c2c2c2c0cac2c2c2c2c2c2c2c2c2c"
                            "2c2cff2c2c2cff"),
        QByteArray::fromHex("4749463839612c2c2c2c2c2c2c2c1f2c2c2c2cac2c2c2cff3d25"),
        // A complete PNG whose header says 20000 x 20000, under the cap.
        [] {
            QByteArray png = tp::encode(tp::filled(2, 2, QImage::Format_Grayscale8, 0), "png");
            png.replace(16, 8, QByteArray::fromHex("00004e2000004e20"));
            const quint32 crc = crc32(png.mid(12, 17));
            for (int i = 0; i < 4; ++i) {
                png[29 + i] = char(crc >> (24 - 8 * i));
            }
            return png;
        }(),
    };
    QList<QByteArray> all(std::begin(inputs), std::end(inputs));
    // A HEIC file whose items all say 20000 x 20000.
    QByteArray heic = tp::heic(cornerMarked());
    for (qsizetype at = heic.indexOf("ispe"); at > 0; at = heic.indexOf("ispe", at + 1)) {
        heic.replace(at + 8, 8, QByteArray::fromHex("00004e2000004e20"));
    }
    all.append(heic);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (const QByteArray& input : all) {
        SCOPED_TRACE(input.toHex().toStdString());
        EXPECT_FALSE(ImageDecoder::decode(input));
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 50 * 1024); // kilobytes
}

TEST(ImageDecoder, largestRatioStillAdmitsARealCompressedPicture) {
    // A blank 1-bit picture compresses about as far as PNG can.
    QImage blank(4000, 4000, QImage::Format_Mono);
    blank.fill(1);
    const QByteArray png = tp::encode(blank, "png");
    ASSERT_LT(png.size(), 16 * 1024);
    const auto decoded = ImageDecoder::decode(png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->image.size(), QSize(4000, 4000));
}

TEST(ImageDecoder, bmpCompletenessRefusesUnknownHeadersAndFollowsRuns) {
    const QByteArray bmp = tp::encode(cornerMarked(), "bmp");
    auto with32 = [](QByteArray bytes, qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = char((v >> (8 * i)) & 0xFF);
        }
        return bytes;
    };
    EXPECT_FALSE(ImageDecoder::bmpIsComplete(with32(bmp, 14, 41)));   // header size
    EXPECT_FALSE(ImageDecoder::bmpIsComplete(with32(bmp, 30, 4)));    // embedded JPEG
    EXPECT_FALSE(ImageDecoder::bmpIsComplete(with32(bmp, 30, 0x99))); // no such compression

    // An 8-bit run-length BMP of 4 x 2: a run per row, then the end mark.
    QByteArray rle("BM", 2);
    const QByteArray runs = QByteArray::fromHex("0401 0000 0402 0000 0001");
    rle += QByteArray(12, '\0');
    rle += QByteArray(40, '\0');
    rle += QByteArray(4 * 3, '\0'); // three palette entries
    rle = with32(rle, 10, quint32(rle.size()));
    rle = with32(rle, 14, 40);
    rle = with32(rle, 18, 4);
    rle = with32(rle, 22, 2);
    rle[26] = 1;
    rle[28] = 8;
    rle = with32(rle, 30, 1);
    rle = with32(rle, 46, 3);
    rle += runs;
    EXPECT_TRUE(ImageDecoder::bmpIsComplete(rle));
    EXPECT_FALSE(ImageDecoder::bmpIsComplete(rle.left(rle.size() - 6)));
    // An absolute run cut short.
    EXPECT_FALSE(
        ImageDecoder::bmpIsComplete(rle.left(rle.size() - 10) + QByteArray("\0\x08\1", 3)));
}

TEST(ImageDecoder, gifAndPngCompletenessFollowTheirBlocks) {
    const QByteArray gif = tp::gif(cornerMarked());
    EXPECT_TRUE(platform::ImageFileCheck::gifIsComplete(gif));
    EXPECT_FALSE(platform::ImageFileCheck::gifIsComplete(gif.left(gif.size() - 3)));
    EXPECT_FALSE(platform::ImageFileCheck::gifIsComplete(gif.left(13)));
    const QByteArray png = tp::encode(cornerMarked(), "png");
    EXPECT_TRUE(platform::ImageFileCheck::pngIsComplete(png));
    EXPECT_FALSE(platform::ImageFileCheck::pngIsComplete(png.left(png.size() - 1)));
    // A chunk length beyond the file.
    QByteArray huge = png;
    huge.replace(8, 4, QByteArray::fromHex("7fffffff"));
    EXPECT_FALSE(platform::ImageFileCheck::pngIsComplete(huge));
}

// A JPEG decodes straight to the smallest of its halvings that still covers
// the bound, the bound taken upright; the pixels are those of the whole
// picture made smaller. Where decoding small gains nothing there is no such
// decode, and files decode() refuses stay refused.
TEST(ImageDecoder, scaledDecodeHalvesAJpegDownToTheBoundOnly) {
    // Quarters of four colours, so that a smaller picture shows each where
    // the whole one has it.
    QImage image(1600, 1200, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(250, 20, 20), qRgb(20, 250, 20), qRgb(20, 20, 250),
                            qRgb(240, 240, 240)};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, colours[(y >= 600) * 2 + (x >= 800)]);
        }
    }
    const QByteArray jpeg = tp::encode(image, "jpeg", 95);

    const auto eighth = ImageDecoder::decodeScaled(jpeg, QSize(200, 200));
    ASSERT_TRUE(eighth);
    EXPECT_EQ(eighth->decoded.image.size(), QSize(200, 150));
    EXPECT_EQ(eighth->fullSize, QSize(1600, 1200));
    EXPECT_EQ(eighth->decoded.exifOrientation, 1u);
    for (int quarter = 0; quarter < 4; ++quarter) {
        const QRgb pixel =
            eighth->decoded.image.pixel(50 + 100 * (quarter % 2), 37 + 75 * (quarter / 2));
        EXPECT_NEAR(qRed(pixel), qRed(colours[quarter]), 12) << quarter;
        EXPECT_NEAR(qGreen(pixel), qGreen(colours[quarter]), 12) << quarter;
        EXPECT_NEAR(qBlue(pixel), qBlue(colours[quarter]), 12) << quarter;
    }
    // 500 x 375 fits in 1/2 but not in 1/4 (400 x 300).
    const auto half = ImageDecoder::decodeScaled(jpeg, QSize(500, 1000));
    ASSERT_TRUE(half);
    EXPECT_EQ(half->decoded.image.size(), QSize(800, 600));
    EXPECT_EQ(ImageDecoder::decodeScaled(jpeg, QSize(400, 300))->decoded.image.size(),
              QSize(400, 300));

    // A bound of more than half the picture gains nothing.
    EXPECT_FALSE(ImageDecoder::decodeScaled(jpeg, QSize(801, 601)));
    EXPECT_FALSE(ImageDecoder::decodeScaled(jpeg, QSize()));
    // Other decoders decode the whole picture before they scale.
    EXPECT_FALSE(ImageDecoder::decodeScaled(tp::encode(image, "png"), QSize(200, 200)));
    // Truncated or broken, as decode() has it.
    EXPECT_FALSE(ImageDecoder::decodeScaled(jpeg.left(jpeg.size() / 2), QSize(200, 200)));
    EXPECT_FALSE(ImageDecoder::decodeScaled(jpeg.left(jpeg.size() - 2), QSize(200, 200)));
    EXPECT_FALSE(ImageDecoder::decodeScaled(QByteArray("not a picture"), QSize(200, 200)));

    // Turned a quarter by its orientation, the picture stands 1200 wide and
    // 1600 high: an upright bound of 150 x 200 is an eighth.
    const auto turned =
        ImageDecoder::decodeScaled(tp::jpegWithOrientation(image, 6), QSize(150, 200));
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->decoded.exifOrientation, 6u);
    EXPECT_EQ(turned->decoded.image.size(), QSize(200, 150));
    // Upright, a 700 x 1000 bound holds more than half of it; 1000 x 700
    // does not.
    EXPECT_FALSE(ImageDecoder::decodeScaled(tp::jpegWithOrientation(image, 6), QSize(700, 1000)));
    EXPECT_EQ(ImageDecoder::decodeScaled(tp::jpegWithOrientation(image, 6), QSize(1000, 700))
                  ->decoded.image.size(),
              QSize(800, 600));

    // What follows the header hears of it once, with the stored size and
    // orientation, while the pixels decode; nothing hears of a file the
    // decode refuses or a bound it does not take.
    std::vector<ImageDecoder::StoredSize> heard;
    const auto listen = [&heard](const ImageDecoder::StoredSize& stored) {
        heard.push_back(stored);
    };
    ASSERT_TRUE(ImageDecoder::decodeScaled(tp::jpegWithOrientation(image, 6), QSize(150, 200),
                                           nullptr, listen));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].size, QSize(1600, 1200));
    EXPECT_EQ(heard[0].exifOrientation, 6u);
    EXPECT_FALSE(ImageDecoder::decodeScaled(jpeg, QSize(801, 601), nullptr, listen));
    EXPECT_FALSE(
        ImageDecoder::decodeScaled(jpeg.left(jpeg.size() - 2), QSize(200, 200), nullptr, listen));
    EXPECT_FALSE(
        ImageDecoder::decodeScaled(tp::encode(image, "png"), QSize(200, 200), nullptr, listen));
    EXPECT_EQ(heard.size(), 1u);

    // A cut file is refused as damaged, also when it announces more pixels
    // than any decode may take; a whole one announcing that, as too large.
    QByteArray huge = jpeg;
    const qsizetype frame = huge.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(frame, 0);
    huge.replace(frame + 5, 4, QByteArray::fromHex("fde8fde8")); // 65000 x 65000
    for (const QByteArray& cut : {jpeg.left(jpeg.size() / 2), huge.left(huge.size() / 2)}) {
        platform::PictureRefusal why = platform::PictureRefusal::tooLarge;
        EXPECT_FALSE(ImageDecoder::decodeScaled(cut, QSize(200, 200), &why, listen));
        EXPECT_EQ(why, platform::PictureRefusal::noPicture);
    }
    platform::PictureRefusal why = platform::PictureRefusal::noPicture;
    EXPECT_FALSE(ImageDecoder::decodeScaled(huge, QSize(200, 200), &why, listen));
    EXPECT_EQ(why, platform::PictureRefusal::tooLarge);
    EXPECT_EQ(heard.size(), 1u);
}

namespace {

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk;
    for (int i = 0; i < 4; ++i) {
        chunk.append(char(quint32(data.size()) >> (24 - 8 * i)));
    }
    const QByteArray typed = QByteArray(type) + data;
    const quint32 crc = crc32(typed);
    chunk += typed;
    for (int i = 0; i < 4; ++i) {
        chunk.append(char(crc >> (24 - 8 * i)));
    }
    return chunk;
}

// A complete PNG whose header announces the sides, depth and colour type,
// its pixel data `dataBytes` bytes of a deflated blank.
QByteArray announcedPng(quint32 width, quint32 height, int depth, int colourType,
                        qsizetype dataBytes) {
    QByteArray header;
    for (const quint32 side : {width, height}) {
        for (int i = 0; i < 4; ++i) {
            header.append(char(side >> (24 - 8 * i)));
        }
    }
    header += char(depth);
    header += char(colourType);
    header += QByteArray(3, '\0');
    const QByteArray data = qCompress(QByteArray(dataBytes * 100, '\0')).mid(4).left(dataBytes);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", data) +
           pngChunk("IEND", {});
}

} // namespace

// 16000 x 16000 pixels of 16-bit RGBA (2 GB, and its 8-bit copy for
// drawing) in a file of 40 kB: within the pixel cap, beyond the memory one
// decode may take. Refused as too large from the header; the same sides in
// 8-bit gray are not refused for their size.
TEST(ImageDecoder, aDecodeBeyondTheMemoryBudgetIsRefusedAsTooLarge) {
    platform::PictureRefusal why = platform::PictureRefusal::noPicture;
    EXPECT_FALSE(ImageDecoder::decode(announcedPng(16000, 16000, 16, 6, 40000), &why));
    EXPECT_EQ(why, platform::PictureRefusal::tooLarge);
    EXPECT_FALSE(platform::ImageLimits::admitsDecode(16000, 16000, 64));
    EXPECT_TRUE(platform::ImageLimits::admitsDecode(16000, 16000, 8));
    EXPECT_TRUE(platform::ImageLimits::admitsDecode(23622, 23622, 32));
    // Beyond the pixel cap is too large too; broken bytes are no picture.
    EXPECT_FALSE(ImageDecoder::decode(announcedPng(40000, 40000, 8, 0, 400000), &why));
    EXPECT_EQ(why, platform::PictureRefusal::tooLarge);
    EXPECT_FALSE(ImageDecoder::decode(QByteArray("\x89PNG\r\n\x1a\n and nothing more"), &why));
    EXPECT_EQ(why, platform::PictureRefusal::noPicture);
}

// 1.2 MB JPEGs announcing 23600 x 23600 pixels, within the pixel cap. Their
// pixels alone fit the memory of one decode, but a progressive file keeps
// the coefficients of every block (64 of 2 bytes per block and component)
// beside them until its last scan is in: counted from the header, such a
// decode is refused as too large before anything is allocated. Under an
// address space with room for neither, the refusal still says so.
TEST(ImageDecoder, aJpegWhoseDecodeTakesMoreThanTheBudgetIsRefusedAsTooLarge) {
    using Colours = tp::LibraryJpeg::Colours;
    using platform::JpegDecoder;
    using platform::PictureRefusal;
    constexpr int side = 23600;
    constexpr qint64 pixelBytes = qint64(side) * side * 4;
    constexpr qint64 blockBytes = 64 * 2;
    constexpr qint64 lumaBlocks = qint64(side / 8) * (side / 8);
    constexpr qint64 bytes = 1200000;
    const QByteArray progressive = tp::jpegAnnouncing({.progressive = true}, side, side, bytes);
    const QByteArray progressiveCmyk = tp::jpegAnnouncing(
        {.hSampling = 1, .vSampling = 1, .progressive = true, .colours = Colours::cmyk}, side, side,
        bytes);
    const QByteArray baseline = tp::jpegAnnouncing({}, side, side, bytes);
    const QByteArray baselineCmyk = tp::jpegAnnouncing(
        {.hSampling = 1, .vSampling = 1, .colours = Colours::cmyk}, side, side, bytes);

    const auto needs = [](const QByteArray& jpeg) {
        const auto header = JpegDecoder::header(jpeg);
        EXPECT_TRUE(header);
        EXPECT_EQ(header ? header->size : QSize(), QSize(side, side));
        return header ? header->decodeBytes : 0;
    };
    // 4:2:0: the chroma's blocks are a quarter of the luma's each.
    EXPECT_GE(needs(progressive), pixelBytes + (lumaBlocks + lumaBlocks / 2) * blockBytes);
    EXPECT_GE(needs(progressiveCmyk), pixelBytes + 4 * lumaBlocks * blockBytes);
    for (const QByteArray& within : {baseline, baselineCmyk}) {
        EXPECT_GE(needs(within), pixelBytes);
        EXPECT_LE(needs(within), platform::ImageLimits::maximumDecodeBytes);
        const auto stored = ImageDecoder::storedSize(within);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->size, QSize(side, side));
    }

    // Room for the test's own work, not for the pixels.
    const AddressSpaceCap cap(256 * 1024 * 1024);
    for (const QByteArray& beyond : {progressive, progressiveCmyk}) {
        PictureRefusal why = PictureRefusal::noPicture;
        EXPECT_FALSE(ImageDecoder::decode(beyond, &why));
        EXPECT_EQ(why, PictureRefusal::tooLarge);
        why = PictureRefusal::noPicture;
        EXPECT_FALSE(ImageDecoder::storedSize(beyond, &why));
        EXPECT_EQ(why, PictureRefusal::tooLarge);
        // The quick look's pixels are few, its coefficients are not.
        why = PictureRefusal::noPicture;
        EXPECT_FALSE(ImageDecoder::decodeScaled(beyond, QSize(side / 8, side / 8), &why));
        EXPECT_EQ(why, PictureRefusal::tooLarge);
    }
}

// A GIF of a few pixels on a logical screen of 11308 x 11308: the reader
// would allocate and fill the whole screen. Refused before decoding.
TEST(ImageDecoder, aGifScreenBeyondWhatItsBytesPaintIsRefused) {
    const QByteArray small = tp::gif(cornerMarked());
    ASSERT_TRUE(ImageDecoder::decode(small));
    QByteArray large = small;
    large.replace(6, 4, QByteArray::fromHex("2c2c2c2c")); // 11308 x 11308
    platform::PictureRefusal why = platform::PictureRefusal::noPicture;
    EXPECT_FALSE(ImageDecoder::decode(large, &why));
    EXPECT_EQ(why, platform::PictureRefusal::tooLarge);
}

// The memory for the pixels cannot be had: the decode says so, instead of
// calling the file no picture.
TEST(ImageDecoder, aDecodeTheMemoryRunsOutForIsToldApart) {
#ifdef LUNVIK_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    const QByteArray png =
        tp::encode(tp::filled(4000, 4000, QImage::Format_RGB32, 0xFF336699), "png");
    ASSERT_TRUE(ImageDecoder::decode(png));
    platform::PictureRefusal why = platform::PictureRefusal::noPicture;
    bool decoded = true;
    {
        const AddressSpaceCap cap(24 * 1024 * 1024); // less than the 64 MB of pixels
        ASSERT_TRUE(cap.isSet());
        decoded = ImageDecoder::decode(png, &why).has_value();
    }
    EXPECT_FALSE(decoded);
    EXPECT_EQ(why, platform::PictureRefusal::outOfMemory);
    // With the memory back, the same bytes decode.
    EXPECT_TRUE(ImageDecoder::decode(png, &why));
}
