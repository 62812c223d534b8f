#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/graphics/DataItemProvider.h"
#include "platform/graphics/FileType.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/tests/support/PictureWorkerTestSettings.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/worker/program/PictureWorkerTestFaults.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zlib.h>

using ambrel::Dpi;
using ambrel::OriginalImage;
using ambrel::OriginalImageError;
using ambrel::Size_mm;
using ambrel::Size_px;
using platform::DataItemProvider;
using platform::FileType;
namespace tp = testpictures;

namespace {

// 6 x 4 with a distinct value in every pixel, so any turn or reflection shows.
QImage numbered(QImage::Format format = QImage::Format_RGB32) {
    QImage image(6, 4, format);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const int v = 40 * y + 6 * x;
            image.setPixel(x, y, qRgb(v, 255 - v, (v * 3) % 256));
        }
    }
    return image;
}

QImage grayNumbered() {
    QImage image(6, 4, QImage::Format_Grayscale8);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            image.scanLine(y)[x] = uchar(40 * y + 6 * x);
        }
    }
    return image;
}

QImage autoTransformed(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}

QUrl url(const char* path) {
    return QUrl::fromLocalFile(QString::fromUtf8(path));
}

QByteArray a4Pdf() {
    return tp::pdf({QRectF(0, 0, 595.28, 841.89), {}, 0, {}});
}

} // namespace

TEST(OriginalImage, everyOrientationTurnsUprightAsQtDoes) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        for (const QByteArray& bytes : {tp::jpegWithOrientation(numbered(), orientation),
                                        tp::tiffWithOrientation(numbered(), orientation)}) {
            const auto image = OriginalImage::fromData(bytes, url("/p/turned"));
            ASSERT_TRUE(image);
            ASSERT_TRUE(image->cgImage());
            const QImage reference = autoTransformed(bytes).convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(image->cgImage()->convertToFormat(QImage::Format_RGB32), reference);
        }
    }
}

TEST(OriginalImage, orientationSixSwapsWidthAndHeight) {
    const auto image =
        OriginalImage::fromData(tp::jpegWithOrientation(numbered(), 6), url("/p/six.jpg"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->cgImage()->size(), QSize(4, 6));
    EXPECT_EQ(image->drawing().size, QSizeF(4, 6));
    EXPECT_EQ(image->imageOriginalSizeInfo(), ambrel::OriginalSizeInfo::px({4, 6}));
    EXPECT_DOUBLE_EQ(image->widthPerHeight(), 4.0 / 6.0);
    EXPECT_FALSE(image->isVector());
}

TEST(OriginalImage, uprightPicturesKeepTheirDecodedPixels) {
    // A palette picture would become RGB if it were redrawn.
    QImage palette = numbered().convertToFormat(QImage::Format_Indexed8);
    const auto decoded = OriginalImage::fromData(tp::encode(palette, "png"), url("/p/p.png"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->cgImage()->format(), QImage::Format_Indexed8);
    for (quint32 orientation : {1u, 0u, 9u}) {
        const QImage source = numbered();
        const auto image = OriginalImage::fromImage(source, {}, url("/p/x.png"), orientation);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->cgImage()->cacheKey(), source.cacheKey()) << orientation;
    }
}

TEST(OriginalImage, mirroringKeepsGrayGrayAndColourIn32Bits) {
    const auto gray = OriginalImage::fromImage(grayNumbered(), {}, url("/p/g.png"), 2);
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->cgImage()->format(), QImage::Format_Grayscale8);
    EXPECT_EQ(*gray->cgImage(), grayNumbered().mirrored(true, false));

    const auto opaque = OriginalImage::fromImage(numbered(), {}, url("/p/c.png"), 2);
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->cgImage()->format(), QImage::Format_RGBX8888);
    EXPECT_EQ(opaque->cgImage()->convertToFormat(QImage::Format_RGB32),
              numbered().mirrored(true, false));

    const QImage translucent = numbered(QImage::Format_ARGB32);
    const auto withAlpha = OriginalImage::fromImage(translucent, {}, url("/p/a.png"), 2);
    ASSERT_TRUE(withAlpha);
    EXPECT_EQ(withAlpha->cgImage()->format(), QImage::Format_RGBA8888);
}

TEST(OriginalImage, pdfPageIsMeasuredInMillimetres) {
    for (const char* path : {"/p/page.pdf", "/p/artwork.ai"}) {
        SCOPED_TRACE(path);
        const auto image = OriginalImage::fromData(a4Pdf(), url(path));
        ASSERT_TRUE(image);
        EXPECT_TRUE(image->isVector());
        EXPECT_FALSE(image->cgImage());
        EXPECT_EQ(image->imageOriginalSizeInfo(), ambrel::OriginalSizeInfo::mm({210.0, 297.0}));
        EXPECT_EQ(image->size_px(Dpi(300)), (Size_px{2480, 3508}));
        EXPECT_EQ(image->size_mm(Dpi(300)), (Size_mm{210.0, 297.0}));
        EXPECT_EQ(image->sizeInfoText(), QStringLiteral("210.0 × 297.0 mm"));
        EXPECT_EQ(image->sizeInfoText(Dpi(300)), QStringLiteral("210.0 × 297.0 mm"));
        EXPECT_DOUBLE_EQ(image->widthPerHeight(), 210.0 / 297.0);
    }
    // The trim box, not the media box, is the picture.
    const auto trimmed = OriginalImage::fromData(
        tp::pdf({QRectF(0, 0, 300, 300), QRectF(10, 20, 72, 144), 0, {}}), url("/p/t.pdf"));
    ASSERT_TRUE(trimmed);
    EXPECT_EQ(trimmed->size_mm(Dpi(72)), (Size_mm{25.4, 50.8}));
    // An empty trim box is no picture.
    EXPECT_FALSE(OriginalImage::fromData(
        tp::pdf({QRectF(0, 0, 300, 300), QRectF(10, 20, 0, 144), 0, {}}), url("/p/e.pdf")));
}

namespace {

// Page boxes as a file can write them: a number about 1e19, one of 400
// digits, and sides just beyond the limit.
QList<QByteArray> pagesBeyondTheLimit() {
    const QByteArray digits400 = "1" + QByteArray(399, '0');
    return {
        tp::pdfWithMediaBox("0 0 10000000000000000000 500"),
        tp::pdfWithMediaBox("0 0 500 " + digits400),
        tp::pdfWithMediaBox("-" + digits400 + " 0 100 100"),
        tp::pdfWithMediaBox("0 0 " + digits400 + ".5 500"),
        tp::pdf({QRectF(0, 0, 14400.5, 100), {}, 0, {}}),
        tp::pdf({QRectF(0, 0, 100, 14401), {}, 90, {}}),
    };
}

} // namespace

TEST(OriginalImage, pagesBeyondPdfsOwnLimitAreNoPicture) {
    for (const QByteArray& bytes : pagesBeyondTheLimit()) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_FALSE(OriginalImage::fromData(bytes, url("/p/huge.pdf")));
        DataItemProvider item(QStringLiteral("huge"));
        item.registerData(FileType::pdf, bytes);
        try {
            OriginalImage::make(item);
            ADD_FAILURE() << "a page beyond the limit was dropped";
        } catch (const OriginalImageError& e) {
            EXPECT_EQ(e.errorCase(), OriginalImageError::Case::containsNoValidImage);
            EXPECT_EQ(e.name(), QStringLiteral("huge"));
        }
    }
    // The limit itself is a picture, and every size of it is a number.
    const auto largest =
        OriginalImage::fromData(tp::pdf({QRectF(0, 0, 14400, 14400), {}, 0, {}}), url("/p/l.pdf"));
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->size_mm(Dpi(600)), (Size_mm{5080.0, 5080.0}));
    EXPECT_EQ(largest->size_px(Dpi(600)), (Size_px{120000, 120000}));
}

TEST(OriginalImage, rasterSizesAndTexts) {
    const auto image = OriginalImage::fromImage(
        tp::filled(1000, 500, QImage::Format_Grayscale8, qRgb(0, 0, 0)), {}, url("/p/w.png"), 1);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->sizeInfoText(), QStringLiteral("1000 × 500 px"));
    EXPECT_EQ(image->size_mm(Dpi(254)), (Size_mm{100.0, 50.0}));
    EXPECT_EQ(image->size_px(Dpi(254)), (Size_px{1000, 500}));
    EXPECT_EQ(image->sizeInfoText(Dpi(254)), QStringLiteral("1000 × 500 px (100.0 × 50.0 mm)"));
}

TEST(OriginalImage, sameSizeNeedsTheSameKindOfSize) {
    const auto raster = OriginalImage::fromImage(
        tp::filled(210, 297, QImage::Format_RGB32, qRgb(1, 2, 3)), {}, url("/p/r.png"), 1);
    const auto twin = OriginalImage::fromImage(tp::filled(210, 297, QImage::Format_Grayscale8, 0),
                                               {}, url("/p/s.png"), 1);
    const auto page = OriginalImage::fromData(
        tp::pdf({QRectF(0, 0, 210 / 25.4 * 72, 297 / 25.4 * 72), {}, 0, {}}), url("/p/v.pdf"));
    ASSERT_TRUE(raster && twin && page);
    EXPECT_EQ(page->imageOriginalSizeInfo(), ambrel::OriginalSizeInfo::mm({210.0, 297.0}));
    EXPECT_FALSE(raster->isSameSize(page.get()));
    EXPECT_TRUE(raster->isSameSize(twin.get()));
    EXPECT_FALSE(raster->isSameSize(nullptr));
}

TEST(OriginalImage, everyFileTypeOpens) {
    const QImage picture = numbered();
    const QList<QByteArray> files{
        tp::encode(picture, "png"), tp::encode(picture, "jpeg"), tp::gif(picture),
        tp::encode(picture, "bmp"), tp::encode(picture, "tiff"), tp::heic(picture),
    };
    for (const QByteArray& bytes : files) {
        if (bytes.isEmpty()) {
            continue; // no HEIC encoder; the platform tests report that
        }
        const auto image = OriginalImage::fromData(bytes, url("/p/any"));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size_px(Dpi(300)), (Size_px{6, 4}));
    }
}

TEST(OriginalImage, bytesThatAreNoPictureGiveNothingQuietly) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(OriginalImage::fromData(QByteArray(), url("/p/empty.png")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string());
    EXPECT_FALSE(OriginalImage::fromData("just some text", url("/p/t.txt")));
    const QByteArray png = tp::encode(numbered(), "png");
    EXPECT_FALSE(OriginalImage::fromData(png.left(png.size() / 2), url("/p/half.png")));
    const QByteArray pdf = a4Pdf();
    EXPECT_FALSE(OriginalImage::fromData(pdf.left(20), url("/p/half.pdf")));
}

TEST(OriginalImage, readsFilesAndDescribesItsLocation) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture one.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(tp::encode(numbered(), "png"));
    file.close();
    const auto image = OriginalImage::fromContentsOfURL(QUrl::fromLocalFile(path));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->fileName(), QStringLiteral("picture one.png"));
    EXPECT_EQ(image->filePath(), path);
    const QString address = QString::asprintf("%p", static_cast<const void*>(image.get()));
    EXPECT_EQ(image->description(),
              QStringLiteral("OriginalImage<%1>(picture one.png)").arg(address));
    EXPECT_FALSE(OriginalImage::fromContentsOfURL(QUrl::fromLocalFile(dir.filePath("missing"))));
}

TEST(OriginalImage, droppedItemsAreNamedAfterTheirSuggestion) {
    const QByteArray png = tp::encode(numbered(), "png");
    struct Case {
        std::optional<QString> suggested;
        QString fileName;
    };
    const QList<Case> cases{
        {QStringLiteral("a/b"), QStringLiteral("a-b.png")},
        {QStringLiteral("photo.png"), QStringLiteral("photo.png")},
        {std::nullopt, QStringLiteral("Dropped.png")},
    };
    for (const Case& c : cases) {
        DataItemProvider item(c.suggested);
        item.registerData(FileType::plainText, "text first");
        item.registerData(FileType::png, png);
        testing::internal::CaptureStderr();
        const auto image = OriginalImage::make(item);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string()) << "a drop is quiet";
        ASSERT_TRUE(image);
        EXPECT_EQ(image->fileName(), c.fileName);
        EXPECT_EQ(image->data(), png);
    }
    // An empty name becomes a generated identifier.
    DataItemProvider unnamed(QString{});
    unnamed.registerData(FileType::png, png);
    const auto image = OriginalImage::make(unnamed);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->fileName().size(), 36 + 4);
}

TEST(OriginalImage, droppedItemsThatAreNoPictureThrow) {
    DataItemProvider text(QStringLiteral("notes"));
    text.registerData(FileType::plainText, "hello");
    try {
        OriginalImage::make(text);
        FAIL();
    } catch (const OriginalImageError& e) {
        EXPECT_EQ(e.errorCase(), OriginalImageError::Case::containsNoValidImage);
        EXPECT_EQ(e.name(), QStringLiteral("notes"));
    }
    DataItemProvider broken(QStringLiteral("x/y.png"));
    broken.registerData(FileType::png, "not a png");
    try {
        OriginalImage::make(broken);
        FAIL();
    } catch (const OriginalImageError& e) {
        EXPECT_EQ(e.name(), QStringLiteral("x-y.png"));
    }
    DataItemProvider failing(QStringLiteral("f"));
    failing.registerLoader(
        FileType::jpeg, []() -> QByteArray { throw platform::Error(QStringLiteral("Load"), 3); });
    EXPECT_THROW(OriginalImage::make(failing), platform::Error);
}

TEST(OriginalImageError, textsNameTheItem) {
    const auto error = OriginalImageError::containsNoValidImage(QStringLiteral("photo.png"));
    EXPECT_EQ(error.errorTypeIdentifier(), QStringLiteral("OriginalImage"));
    EXPECT_EQ(static_cast<const platform::Error&>(error).domain(), OriginalImageError::domain);
    EXPECT_TRUE(error.localizedDescription().contains(QStringLiteral("“photo.png”")));
    ASSERT_TRUE(error.localizedRecoverySuggestion());
    EXPECT_TRUE(error.localizedRecoverySuggestion()->contains(QStringLiteral("photo.png")));
    const auto copy = error.clone();
    EXPECT_NE(dynamic_cast<const OriginalImageError*>(copy.get()), nullptr);
}

TEST(OriginalImage, acceptedTypeLists) {
    EXPECT_EQ(OriginalImage::imageFileTypes().last(), FileType::illustrator);
    EXPECT_TRUE(OriginalImage::imageFileTypes().contains(FileType::tiff));
    EXPECT_EQ(OriginalImage::imageFileUTTypes(),
              QStringList({FileType::bmp, FileType::heic, FileType::jpeg, FileType::png,
                           FileType::gif, FileType::pdf, FileType::illustrator}));
}

TEST(OriginalImage, damagedFilesNeverCrashOpeningOrDrawing) {
    const QImage picture = numbered();
    const QList<QByteArray> files{
        tp::encode(picture, "png"),
        tp::jpegWithOrientation(picture, 6),
        tp::gif(picture),
        tp::encode(picture, "bmp"),
        tp::tiffWithOrientation(picture, 5),
        tp::heic(picture),
        tp::pdf({QRectF(0, 0, 100, 50), QRectF(10, 10, 50, 30), 90,
                 QStringLiteral("0 0 0 rg 10 10 20 20 re f")}),
    };
    quint32 seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::gray8, 16, 16);
    for (const QByteArray& file : files) {
        if (file.isEmpty()) {
            continue;
        }
        for (int variant = 0; variant < 40; ++variant) {
            QByteArray damaged = file;
            const int changes = 1 + int(next() % 8);
            for (int i = 0; i < changes; ++i) {
                damaged[qsizetype(next()) % damaged.size()] = char(next() & 0xFF);
            }
            if (variant % 5 == 0) {
                damaged.truncate(qsizetype(next()) % damaged.size());
            }
            const auto image = OriginalImage::fromData(damaged, url("/p/damaged"));
            if (image) {
                image->draw(QRectF(0, 0, 16, 16), ambrel::ImageRotation::r90, true, *context, true);
            }
        }
    }
}

// Bytes refused for their size are told apart from bytes that hold no
// picture, in the error a user reads.
TEST(OriginalImage, picturesBeyondTheBudgetAreRefusedAsTooLarge) {
    // A PNG whose header declares 100,000 x 100,000 pixels.
    QByteArray huge = tp::encode(numbered(), "png");
    const QByteArray sides = QByteArray::fromHex("000186a0000186a0");
    huge.replace(16, 8, sides);
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef*>(huge.constData() + 12), 17));
    for (int i = 0; i < 4; ++i) {
        huge[29 + i] = char(crc >> (24 - 8 * i));
    }
    const QUrl url = QUrl::fromLocalFile(QStringLiteral("/tmp/huge.png"));
    platform::PictureRefusal why = platform::PictureRefusal::noPicture;
    EXPECT_FALSE(OriginalImage::fromData(huge, url, &why));
    EXPECT_EQ(why, platform::PictureRefusal::tooLarge);
    try {
        OriginalImage::fromDataOrThrow(huge, url, QStringLiteral("huge.png"));
        ADD_FAILURE() << "no error";
    } catch (const OriginalImageError& e) {
        EXPECT_EQ(e.errorCase(), OriginalImageError::Case::tooLarge);
        EXPECT_EQ(e.localizedDescription(), QStringLiteral("“huge.png” is too large to be used."));
    }
    try {
        OriginalImage::fromDataOrThrow("no picture at all", url, QStringLiteral("text.pdf"));
        ADD_FAILURE() << "no error";
    } catch (const OriginalImageError& e) {
        EXPECT_EQ(e.errorCase(), OriginalImageError::Case::containsNoValidImage);
    }
    const auto memory = OriginalImageError::cannotAllocateMemory(QStringLiteral("big.png"));
    EXPECT_EQ(memory.localizedDescription(),
              QStringLiteral("“big.png” cannot be read: cannot allocate memory."));
    EXPECT_TRUE(memory.localizedRecoverySuggestion().has_value());
}

// A page whose worker fails on it: refused when it is opened, with the
// error that says why, or, when it fails only once drawn, failing every
// drawing with that error rather than drawing nothing.
TEST(OriginalImage, aPageItsWorkerFailsOnCannotBeDrawn) {
    const PictureWorkerTestSettings faults(true);
    const auto marked = [](const char* marker) {
        return tp::pdf({QRectF(0, 0, 200, 100),
                        {},
                        0,
                        QStringLiteral("% ") + QLatin1String(marker) +
                            QStringLiteral("\n0 0 0 rg 0 0 100 50 re f")});
    };
    const QUrl url = QUrl::fromLocalFile(QStringLiteral("/tmp/x.pdf"));
    try {
        OriginalImage::fromDataOrThrow(marked(platform::PictureWorkerTestFaults::crashOnOpen), url,
                                       QStringLiteral("x.pdf"));
        ADD_FAILURE() << "no error";
    } catch (const OriginalImageError& e) {
        EXPECT_EQ(e.errorCase(), OriginalImageError::Case::cannotBeDrawn);
        EXPECT_EQ(
            e.localizedDescription(),
            QStringLiteral(
                "“x.pdf” could not be drawn: it takes more memory or time than a picture may."));
        EXPECT_TRUE(e.localizedRecoverySuggestion().has_value());
    }
    const auto page =
        OriginalImage::fromData(marked(platform::PictureWorkerTestFaults::crashOnRender), url);
    ASSERT_TRUE(page);
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::gray8, 100, 50);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            page->draw(QRectF(0, 0, 100, 50), *context, false);
            ADD_FAILURE() << "drawn";
        } catch (const OriginalImageError& e) {
            EXPECT_EQ(e.errorCase(), OriginalImageError::Case::cannotBeDrawn);
            EXPECT_EQ(e.name(), QStringLiteral("x.pdf"));
        }
    }
}
