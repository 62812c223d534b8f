#include "platform/graphics/JpegEighthDecoder.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/JpegDecoder.h"
#include "platform/graphics/JpegEntropyReader.h"
#include "platform/tests/support/TestPictures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

using platform::JpegDecoder;
using platform::JpegEighthDecoder;

// A photo's look: gradients, grain, sharp shapes in saturated colours, and
// a plain band where blocks take a few bits each.
QImage photo(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(40)) - 20;
            row[x] = qRgb(std::clamp(x * 255 / std::max(1, width) + grain, 0, 255),
                          std::clamp(y * 255 / std::max(1, height) + grain, 0, 255),
                          std::clamp(((x / 7 + y / 5) % 2) * 200 + grain, 0, 255));
        }
    }
    QPainter painter(&image);
    painter.fillRect(QRect(0, height / 3, width, height / 6), QColor(200, 210, 220));
    for (int i = 0; i < 12; ++i) {
        painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 255, 255));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(int(random.bounded(std::max(1, width))),
                                   int(random.bounded(std::max(1, height)))),
                            width / 6 + 1, height / 5 + 1);
    }
    return image;
}

using Encoding = testpictures::LibraryJpeg;

QByteArray encode(const QImage& picture, const Encoding& how) {
    return testpictures::libraryJpeg(picture, how);
}

// The library's own eighth of the file: with rows to follow, the decoder
// leaves the decode to it.
QImage byTheLibrary(const QByteArray& jpeg) {
    platform::DecodingRows rows;
    QImage image;
    if (JpegDecoder::decode(jpeg, image, &rows, 8) != JpegDecoder::Outcome::decoded) {
        return {};
    }
    return image;
}

QImage eighth(const platform::JpegScan& scan) {
    QImage image((scan.size.width() + 7) / 8, (scan.size.height() + 7) / 8, QImage::Format_RGB32);
    image.fill(0xFF123456);
    return image;
}

// Every sampling it takes, sizes that fill their last units or not (down to
// one unit), plain and busy qualities, 16-bit tables, and the picture cut
// into one to eight parts, down to parts a few hundred bytes long: the
// library's pixels each time.
TEST(JpegEighthDecoder, AnEighthIsTheLibrarysToTheBit) {
    const QList<QSize> sizes = {{800, 608}, {1001, 777}, {17, 9}, {1, 1}, {4003, 24}, {23, 1207}};
    quint32 seed = 1;
    for (const QSize& size : sizes) {
        for (const int sampling : {2, 1}) {
            for (const int quality : {100, 75, 40, 5}) {
                const QByteArray jpeg = encode(
                    photo(size.width(), size.height(), seed++),
                    Encoding{.hSampling = sampling, .vSampling = sampling, .quality = quality});
                const auto scan = JpegDecoder::scan(jpeg);
                ASSERT_TRUE(scan) << size.width() << "x" << size.height();
                const QImage reference = byTheLibrary(jpeg);
                ASSERT_FALSE(reference.isNull());
                for (const int parts : {1, 2, 3, 8}) {
                    QImage image = eighth(*scan);
                    ASSERT_TRUE(JpegEighthDecoder::decode(*scan, image, parts))
                        << size.width() << "x" << size.height() << " q" << quality << " s"
                        << sampling << " in " << parts;
                    EXPECT_EQ(image, reference) << size.width() << "x" << size.height() << " q"
                                                << quality << " s" << sampling << " in " << parts;
                }
            }
        }
    }
    // Qt's writer's files, which the quick look meets most, through the
    // decoder's own door.
    const QByteArray byQt = [] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(92);
        writer.write(photo(2400, 1600, 99));
        return bytes;
    }();
    QImage quick;
    ASSERT_EQ(JpegDecoder::decode(byQt, quick, nullptr, 8), JpegDecoder::Outcome::decoded);
    EXPECT_EQ(quick, byTheLibrary(byQt));
}

// Other samplings, restart markers, progressive and grey files, and data
// no encoder writes are the library's to decode; the quick look gives its
// pixels all the same.
TEST(JpegEighthDecoder, FilesItDoesNotTakeAreTheLibrarys) {
    const QImage picture = photo(333, 211, 7);
    const struct {
        const char* what;
        Encoding how;
    } cases[] = {
        {"4:2:2", {.hSampling = 2, .vSampling = 1}},
        {"4:4:0", {.hSampling = 1, .vSampling = 2}},
        {"restart markers", {.restartRows = 1}},
        {"progressive", {.progressive = true}},
        {"grey", {.grey = true}},
    };
    // A stuffed 0xFF with fill bytes before it, which the library reads
    // one way on its fast path and another on its slow one.
    const QByteArray plain = encode(photo(640, 480, 5), Encoding{});
    const auto stuffed = plain.indexOf(QByteArray("\xFF\x00", 2), plain.indexOf("\xFF\xDA"));
    ASSERT_GT(stuffed, 0);
    const QByteArray filled = QByteArray(plain).insert(stuffed, '\xFF');
    for (const auto& c : cases) {
        const QByteArray jpeg = encode(picture, c.how);
        if (const auto scan = JpegDecoder::scan(jpeg)) {
            QImage image = eighth(*scan);
            EXPECT_FALSE(JpegEighthDecoder::decode(*scan, image)) << c.what;
        }
        QImage quick;
        const auto outcome = JpegDecoder::decode(jpeg, quick, nullptr, 8);
        if (outcome == JpegDecoder::Outcome::decoded) {
            EXPECT_EQ(quick, byTheLibrary(jpeg)) << c.what;
        }
    }
    const auto scan = JpegDecoder::scan(filled);
    ASSERT_TRUE(scan);
    QImage image = eighth(*scan);
    EXPECT_FALSE(JpegEighthDecoder::decode(*scan, image));
    QImage quick;
    ASSERT_EQ(JpegDecoder::decode(filled, quick, nullptr, 8), JpegDecoder::Outcome::decoded);
    EXPECT_EQ(quick, byTheLibrary(filled));
}

// Damage anywhere in the data: either the decoder leaves the file to the
// library, or it gives the library's pixels. It takes some of them, and
// leaves others (a cut file, a code the tables do not have).
TEST(JpegEighthDecoder, DamagedDataGivesTheLibrarysPixelsOrIsLeftToIt) {
    const QByteArray clean = encode(photo(640, 480, 3), Encoding{.quality = 85});
    const auto cleanScan = JpegDecoder::scan(clean);
    ASSERT_TRUE(cleanScan);
    const auto dataStart =
        qsizetype(cleanScan->data - reinterpret_cast<const uchar*>(clean.constData()));
    QRandomGenerator random(11);
    int taken = 0;
    int left = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = clean;
        if (round % 3 == 0) {
            damaged.truncate(dataStart +
                             qsizetype(random.bounded(quint32(clean.size() - dataStart))));
        } else {
            for (int flips = 0; flips < 1 + round % 4; ++flips) {
                const auto at =
                    dataStart + qsizetype(random.bounded(quint32(clean.size() - dataStart - 2)));
                damaged[at] = char(random.bounded(256));
            }
        }
        const auto scan = JpegDecoder::scan(damaged);
        if (!scan) {
            continue;
        }
        QImage image = eighth(*scan);
        const int parts = 1 + round % 8;
        if (!JpegEighthDecoder::decode(*scan, image, parts)) {
            ++left;
            continue;
        }
        ++taken;
        EXPECT_EQ(image, byTheLibrary(damaged)) << "round " << round << " in " << parts;
    }
    EXPECT_GT(taken, 50);
    EXPECT_GT(left, 50);
}

// The reader takes bits as the library does: a stuffed 0xFF is data, fill
// bytes before it are not, and a marker ends the data with zeros after it.
TEST(JpegEighthDecoder, TheReaderTakesTheBitsTheLibraryTakes) {
    const std::uint8_t bytes[] = {0x12, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x34, 0xFF, 0xD9, 0x56};
    platform::JpegEntropyReader reader(bytes, bytes + sizeof bytes);
    reader.watch(bytes + 6);
    EXPECT_EQ(reader.take(8), 0x12u);
    EXPECT_EQ(reader.take(16), 0xFFFFu);
    EXPECT_EQ(reader.watchedPosition(), 24u);
    EXPECT_EQ(reader.take(4), 0x3u);
    EXPECT_FALSE(reader.tookFill());
    EXPECT_EQ(reader.take(4), 0x4u);
    EXPECT_EQ(reader.position(), 32u);
    EXPECT_FALSE(reader.tookFill());
    EXPECT_EQ(reader.take(8), 0u);
    EXPECT_TRUE(reader.tookFill());
}

} // namespace
