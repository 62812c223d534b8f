#include "platform/graphics/PdfPage.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/tests/support/TestPictures.h"

#include <gtest/gtest.h>

using platform::GraphicsContext;
using platform::PdfPage;
namespace tp = testpictures;

namespace {

// A 200 x 100 pt page whose trim box is (20, 10)-(120, 90): 100 x 80 pt. A
// 10 pt black square sits in the trim box's lower-left corner, another one
// outside the trim box.
QByteArray markedPage(int rotate = 0) {
    return tp::pdf({QRectF(0, 0, 200, 100), QRectF(20, 10, 100, 80), rotate,
                    QStringLiteral("0 0 0 rg 20 10 10 10 re f 150 50 10 10 re f")});
}

std::unique_ptr<GraphicsContext> whiteGray(int width, int height) {
    auto context = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, width, height);
    context->setGrayFillColor(1, 1);
    context->fill(QRectF(0, 0, width, height));
    return context;
}

// Counts dark pixels inside and outside a rectangle of rows and columns.
struct DarkCount {
    int inside = 0;
    int outside = 0;
};
DarkCount darkPixels(const GraphicsContext& context, QRect area) {
    DarkCount count;
    const uchar* data = context.bitmap().constBits();
    for (int y = 0; y < context.height(); ++y) {
        for (int x = 0; x < context.width(); ++x) {
            if (data[y * context.width() + x] < 128) {
                (area.contains(x, y) ? count.inside : count.outside)++;
            }
        }
    }
    return count;
}

} // namespace

TEST(PdfPage, measuresTheTrimBoxNotTheMediaBox) {
    const auto page = PdfPage::firstPage(markedPage());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->trimBox(), QRectF(20, 10, 100, 80));
    EXPECT_EQ(page->size(), QSizeF(100, 80));
    EXPECT_EQ(page->rotation(), 0);
    // Without a trim box the crop box, here the media box, is the picture.
    const auto plain = PdfPage::firstPage(tp::pdf({QRectF(0, 0, 595.28, 841.89), {}, 0, {}}));
    ASSERT_TRUE(plain);
    EXPECT_NEAR(plain->size().width(), 595.28, 1e-9);
    EXPECT_NEAR(plain->size().height(), 841.89, 1e-9);
}

TEST(PdfPage, drawsTheTrimBoxAtTheContextsResolution) {
    const auto page = PdfPage::firstPage(markedPage());
    ASSERT_TRUE(page);
    auto context = whiteGray(100, 80);
    page->draw(*context);
    // The square is at the picture's lower-left: the last ten rows.
    auto count = darkPixels(*context, QRect(0, 70, 10, 10));
    EXPECT_GT(count.inside, 90);
    EXPECT_EQ(count.outside, 0);

    auto doubled = whiteGray(200, 160);
    doubled->scaleBy(2, 2);
    page->draw(*doubled);
    count = darkPixels(*doubled, QRect(0, 140, 20, 20));
    EXPECT_GT(count.inside, 380);
    EXPECT_EQ(count.outside, 0);
}

TEST(PdfPage, nothingOutsideTheTrimBoxIsDrawn) {
    const auto page = PdfPage::firstPage(markedPage());
    ASSERT_TRUE(page);
    // Room all around the picture, where the page's other square would land.
    auto context = whiteGray(300, 120);
    context->translateBy(10, 20);
    page->draw(*context);
    const auto count = darkPixels(*context, QRect(10, 90, 10, 10));
    EXPECT_GT(count.inside, 90);
    EXPECT_EQ(count.outside, 0);
}

TEST(PdfPage, rendersOnlyWhatLandsOnTheDevice) {
    const auto page = PdfPage::firstPage(markedPage());
    ASSERT_TRUE(page);
    // A device that shows the picture's lower-left 50 x 40 points.
    auto context = whiteGray(50, 40);
    page->draw(*context);
    const auto count = darkPixels(*context, QRect(0, 30, 10, 10));
    EXPECT_GT(count.inside, 90);
    EXPECT_EQ(count.outside, 0);
}

TEST(PdfPage, aTurnedPageIsShownTurned) {
    const auto page = PdfPage::firstPage(markedPage(90));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->rotation(), 90);
    EXPECT_EQ(page->size(), QSizeF(80, 100));
    auto context = whiteGray(80, 100);
    page->draw(*context);
    // Turned clockwise, the lower-left corner becomes the upper-left.
    const auto count = darkPixels(*context, QRect(0, 0, 10, 10));
    EXPECT_GT(count.inside, 90);
    EXPECT_EQ(count.outside, 0);
}

TEST(PdfPage, badDocumentsHaveNoPage) {
    EXPECT_FALSE(PdfPage::firstPage(QByteArray()));
    EXPECT_FALSE(PdfPage::firstPage(QByteArray("%PDF-1.4\nnot really")));
    EXPECT_FALSE(PdfPage::firstPage(QByteArray("plain text")));
    const QByteArray good = markedPage();
    for (qsizetype length : {qsizetype(10), good.size() / 2}) {
        const auto page = PdfPage::firstPage(good.left(length));
        if (page) {
            // poppler may repair a truncated file; drawing it must still be safe.
            auto context = whiteGray(20, 20);
            page->draw(*context);
        }
    }
}

TEST(PdfPage, drawsIntoColourBitmapsToo) {
    const auto page = PdfPage::firstPage(markedPage());
    ASSERT_TRUE(page);
    auto context =
        GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::rgba8888Premultiplied, 100, 80);
    ASSERT_TRUE(context);
    page->draw(*context);
    const QImage image = context->makeImage();
    EXPECT_EQ(image.pixel(2, 77), qRgba(0, 0, 0, 255));
    EXPECT_EQ(image.pixel(50, 40), qRgba(255, 255, 255, 255));
}
