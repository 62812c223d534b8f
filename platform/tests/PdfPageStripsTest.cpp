#include "platform/graphics/PdfPageStrips.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/PageRenderings.h"
#include "platform/graphics/PdfPage.h"
#include "platform/tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numbers>

using platform::GraphicsContext;
using platform::PageRenderings;
using platform::PdfPage;
using platform::PdfPageStrips;

namespace {

// A 200 x 100 pt page of fills, thin lines and a circle, with the trim box
// given (none: the media box).
QByteArray page(int rotate, std::optional<QRectF> trim = {}) {
    QString content = QStringLiteral("0 0 0 rg 0 0 0 RG 20 10 30 25 re f 0.2 w ");
    for (int i = 0; i < 40; ++i) {
        content += QStringLiteral("%1 5 m %2 95 l S ").arg(5 + i * 4.7).arg(190 - i * 4.3);
    }
    content += QStringLiteral("1.5 w 150 50 m 150 72 168 90 190 90 c S 0.5 g 60 60 50 30 re f");
    return testpictures::pdf({QRectF(0, 0, 200, 100), trim, rotate, content});
}

// The page drawn into a gray bitmap at the scale, placed as a print places
// it: turned a quarter (so that the device's rows run across the page) and
// mirrored when asked, its corner on a whole pixel. In bands of rows, each a
// context of its own clipped to them, sharing the renderings given.
QImage drawn(const PdfPage& page, double scale, bool mirror, int bands,
             std::shared_ptr<PageRenderings> renderings) {
    const QSizeF size = page.size() * scale;
    // Rows of whole words: the contexts draw into the picture's own memory.
    const int width = (int(std::ceil(size.height())) + 7 + 3) / 4 * 4;
    const int height = int(std::ceil(size.width())) + 5;
    QImage bitmap(width, height, QImage::Format_Grayscale8);
    bitmap.fill(255);
    for (int b = 0; b < bands; ++b) {
        const int first = height * b / bands;
        const int end = height * (b + 1) / bands;
        auto context = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, width,
                                                   height, bitmap.bits());
        context->sharePageRenderings(renderings);
        context->setRendersPagesUnsmoothed(true);
        context->clipTo(QRectF(0, height - end, width, end - first));
        context->translateBy(3, 2);
        context->rotateBy(std::numbers::pi / 2);
        context->translateBy(0, -size.height());
        if (mirror) {
            context->translateBy(size.width(), 0);
            context->scaleBy(-1, 1);
        }
        context->scaleBy(scale, scale);
        page.draw(*context);
    }
    return bitmap;
}

bool same(const QImage& a, const QImage& b) {
    return a.size() == b.size() && std::memcmp(a.constBits(), b.constBits(), a.sizeInBytes()) == 0;
}

int dark(const QImage& image) {
    int count = 0;
    for (qsizetype i = 0; i < image.sizeInBytes(); ++i) {
        count += image.constBits()[i] < 128;
    }
    return count;
}

} // namespace

// A page large enough for several strips is drawn in bands from one
// rendering, as one drawing of it without shared renderings draws it: for
// every page rotation, mirrored and not; its trim box cut out where it lies.
TEST(PdfPageStrips, bandsSharingARenderingDrawThePageAsOneDrawingDoes) {
    const double scale = 12;
    ASSERT_GT(PdfPageStrips::layout(QRectF(0, 0, 200, 100), QRectF(20, 10, 150, 80), scale, scale)
                  .stripCount(),
              1);
    for (const int rotate : {0, 90, 180, 270}) {
        for (const bool mirror : {false, true}) {
            const auto pdf = PdfPage::firstPage(page(rotate, QRectF(20, 10, 150, 80)));
            ASSERT_TRUE(pdf);
            const QImage alone = drawn(*pdf, scale, mirror, 1, nullptr);
            EXPECT_GT(dark(alone), 100000);
            for (const int bands : {3, 8}) {
                auto renderings = std::make_shared<PageRenderings>();
                const QImage shared = drawn(*pdf, scale, mirror, bands, renderings);
                EXPECT_TRUE(same(alone, shared)) << rotate << " " << mirror << " " << bands;
                EXPECT_GT(renderings->keptBytes(), 0);
            }
        }
    }
}

// A crop box whose corner is off the device's pixels is moved onto them by
// less than half a pixel rather than resampled, so that bands still copy
// whole pixels; a page beyond what the store may hold is drawn as before.
TEST(PdfPageStrips, pagesOffThePixelsAndPagesTooLargeForTheStore) {
    const auto pdf = PdfPage::firstPage(page(0, QRectF(20.03, 10.07, 150, 80)));
    ASSERT_TRUE(pdf);
    const double scale = 9.7;
    const QImage whole = drawn(*pdf, scale, false, 1, std::make_shared<PageRenderings>());
    EXPECT_TRUE(same(whole, drawn(*pdf, scale, false, 6, std::make_shared<PageRenderings>())));
    for (int y = 0; y < whole.height(); ++y) {
        for (int x = 0; x < whole.width(); ++x) {
            const uchar v = whole.constScanLine(y)[x];
            ASSERT_TRUE(v == 0 || v == 255 || v == 127 || v == 128)
                << "resampled at " << x << ", " << y;
        }
    }
    const auto small = std::make_shared<PageRenderings>(1000);
    EXPECT_TRUE(same(drawn(*pdf, scale, false, 1, nullptr), drawn(*pdf, scale, false, 1, small)));
    EXPECT_EQ(small->keptBytes(), 0);
}
