#include "platform/graphics/PictureCodecs.h"
#include "platform/graphics/HeifDecoder.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/graphics/PdfPage.h"
#include "platform/tests/support/TestPictures.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using platform::ImageDecoder;
using platform::PdfPage;
using platform::PictureCodecs;
namespace tp = testpictures;

namespace {

// Whether a file whose name starts with the prefix is mapped into this
// process. The test programs link libheif themselves, so the module and
// poppler tell whether the decoders were loaded.
bool mapped(const QString& namePrefix) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read /proc/self/maps\n");
        std::exit(3);
    }
    const QByteArray needle = '/' + namePrefix.toLocal8Bit();
    for (const QByteArray& line : maps.readAll().split('\n')) {
        if (line.contains(needle)) {
            return true;
        }
    }
    return false;
}

bool decodersMapped() {
    return mapped(PictureCodecs::moduleFileName()) || mapped(QStringLiteral("libpoppler"));
}

// Ends the process with a line saying what went wrong, for the checks that
// run in a process of their own.
void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "failed: %s\n", what);
        std::exit(1);
    }
}

QImage picture() {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    return image;
}

} // namespace

// Each check runs in a fresh process: in one that ran other tests, the
// decoders may already have been loaded.
TEST(PictureCodecs, OrdinaryPicturesLeaveTheDecodersUnloadedUntilAPdfNeedsThem) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            require(!decodersMapped(), "the decoders are mapped before any picture");
            for (const char* format : {"png", "jpeg", "bmp", "tiff"}) {
                require(ImageDecoder::decode(tp::encode(picture(), format)).has_value(),
                        "a picture Qt reads did not decode");
            }
            require(ImageDecoder::decode(tp::gif(picture())).has_value(), "a GIF did not decode");
            // Bytes that are no picture at all, and a file type box that is
            // too short to tell anything.
            require(!ImageDecoder::decode(QByteArray(64, 'x')).has_value(), "noise decoded");
            require(!platform::HeifDecoder::canDecode(QByteArray("\0\0\0\x0c"
                                                                 "ftyp",
                                                                 8)),
                    "eight bytes were taken for a HEIC file");
            require(!decodersMapped(), "an ordinary picture loaded the decoders");

            const auto page = PdfPage::firstPage(tp::pdf({QRectF(0, 0, 200, 100), {}, 0, {}}));
            require(page != nullptr, "the PDF did not open");
            require(page->size() == QSizeF(200, 100), "the PDF page has the wrong size");
            require(mapped(PictureCodecs::moduleFileName()), "the module is not mapped");
            require(mapped(QStringLiteral("libpoppler")), "poppler is not mapped");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(PictureCodecs, AHeicPictureLoadsTheDecodersAndDecodes) {
    const QByteArray heic = tp::heic(picture());
    if (heic.isEmpty()) {
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            require(!decodersMapped(), "the decoders are mapped before any picture");
            require(ImageDecoder::sniffFormat(heic) == "heic", "the HEIC file was not told");
            require(mapped(PictureCodecs::moduleFileName()), "the module is not mapped");
            const auto decoded = ImageDecoder::decode(heic);
            require(decoded && decoded->image.size() == QSize(40, 30),
                    "the HEIC file did not decode whole");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
