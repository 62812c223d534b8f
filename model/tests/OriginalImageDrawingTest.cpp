#include "model/pictures/OriginalImage.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/tests/support/TestPictures.h"

#include <gtest/gtest.h>

using ambrel::ImageRotation;
using ambrel::OriginalImage;
using platform::GraphicsContext;
namespace tp = testpictures;

namespace {

enum Corner { TL, TR, BL, BR };

// A 4 x 2 white picture marked black (0) at its top-left pixel and mid-gray
// (128) at its top-right pixel: two marks tell every turn and mirror apart.
OriginalImage::Pointer markedPicture() {
    QImage image = tp::filled(4, 2, QImage::Format_Grayscale8, qRgb(255, 255, 255));
    image.scanLine(0)[0] = 0;
    image.scanLine(0)[3] = 128;
    return OriginalImage::fromImage(image, {}, QUrl::fromLocalFile("/p/marked.png"), 1);
}

// Where a value sits in the bitmap, as a corner of the rectangle drawn into,
// reading the bitmap with its first row at the top.
std::optional<Corner> cornerOf(const GraphicsContext& context, uchar value, const QRect& rect) {
    const uchar* data = context.bitmap().constBits();
    for (int row = 0; row < context.height(); ++row) {
        for (int x = 0; x < context.width(); ++x) {
            if (data[row * context.width() + x] != value) {
                continue;
            }
            const bool left = x == rect.left();
            const bool right = x == rect.right();
            const bool top = row == rect.top();
            const bool bottom = row == rect.bottom();
            if (top && left)
                return TL;
            if (top && right)
                return TR;
            if (bottom && left)
                return BL;
            if (bottom && right)
                return BR;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

struct TurnCase {
    ImageRotation orientation;
    bool mirror;
    bool flipContext;
    Corner black; // the picture's top-left pixel
    Corner gray;  // the picture's top-right pixel
};

} // namespace

TEST(OriginalImageDrawing, marksLandByTurnMirrorAndFlip) {
    const auto picture = markedPicture();
    ASSERT_TRUE(picture);
    using R = ImageRotation;
    // Seen in a y-up context (first bitmap row at the top): a quarter turn
    // r90 carries the top edge to the left side, and mirroring reflects the
    // picture before it is turned.
    const QList<TurnCase> cases{
        {R::none, false, false, TL, TR},
        {R::none, true, false, TR, TL},
        {R::r90, false, false, BL, TL},
        {R::r90, true, false, TL, BL},
        {R::r180, false, false, BR, BL},
        {R::r180, true, false, BL, BR},
        {R::r270, false, false, TR, BR},
        {R::r270, true, false, BR, TR},
        // A flipped context draws the picture upside down first.
        {R::none, false, true, BL, BR},
        {R::none, true, true, BR, BL},
        {R::r90, false, true, BR, TR},
        {R::r90, true, true, TR, BR},
        {R::r180, false, true, TR, TL},
        {R::r180, true, true, TL, TR},
        {R::r270, false, true, TL, BL},
        {R::r270, true, true, BL, TL},
    };
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "rotation " << c.orientation.rawValue() << " mirror "
                                        << c.mirror << " flip " << c.flipContext);
        const bool turned = c.orientation.isWidthHeightFlipped();
        const int w = turned ? 2 : 4;
        const int h = turned ? 4 : 2;
        // One pixel of room around the rectangle, which starts at (1, 1).
        auto context =
            GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, w + 2, h + 2);
        ASSERT_TRUE(context);
        context->setGrayFillColor(60 / 255.0, 1.0); // background distinct from both marks
        context->fill(QRectF(0, 0, w + 2, h + 2));
        context->setInterpolationQuality(GraphicsContext::InterpolationQuality::none);
        context->setShouldAntialias(false);
        const QTransform before = context->userToDevice();
        picture->draw(QRectF(1, 1, w, h), c.orientation, c.mirror, *context, c.flipContext);
        EXPECT_EQ(context->userToDevice(), before);
        const QRect rect(1, 1, w, h); // in bitmap rows, the same here
        EXPECT_EQ(cornerOf(*context, 0, rect), c.black);
        EXPECT_EQ(cornerOf(*context, 128, rect), c.gray);
        // Everything else in the rectangle is the picture's white.
        int white = 0;
        for (int row = 1; row <= h; ++row) {
            for (int x = 1; x <= w; ++x) {
                white += context->bitmap().constBits()[row * (w + 2) + x] == 255;
            }
        }
        EXPECT_EQ(white, 6);
    }
}

TEST(OriginalImageDrawing, scalesIntoARectangleAwayFromTheOrigin) {
    const auto picture = markedPicture();
    ASSERT_TRUE(picture);
    auto context = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, 20, 10);
    ASSERT_TRUE(context);
    context->setGrayFillColor(60 / 255.0, 1.0);
    context->fill(QRectF(0, 0, 20, 10));
    context->setInterpolationQuality(GraphicsContext::InterpolationQuality::none);
    // Twice the picture's size at (10, 2): columns 10-17, rows 4-7 from the top.
    picture->draw(QRectF(10, 2, 8, 4), *context, false);
    const uchar* data = context->bitmap().constBits();
    EXPECT_EQ(data[4 * 20 + 10], 0);
    EXPECT_EQ(data[5 * 20 + 11], 0);
    EXPECT_EQ(data[4 * 20 + 17], 128);
    EXPECT_EQ(data[7 * 20 + 12], 255);
    EXPECT_EQ(data[3 * 20 + 10], 60); // above the rectangle: background
    EXPECT_EQ(data[4 * 20 + 9], 60);  // left of it
    EXPECT_EQ(data[8 * 20 + 17], 60); // below it
}

TEST(OriginalImageDrawing, vectorPagesTurnLikeRasterPictures) {
    // A 40 x 20 pt page, black in its top-left 10 x 10 pt.
    const auto page = OriginalImage::fromData(
        tp::pdf({QRectF(0, 0, 40, 20), {}, 0, QStringLiteral("0 0 0 rg 0 10 10 10 re f")}),
        QUrl::fromLocalFile("/p/page.pdf"));
    ASSERT_TRUE(page);
    auto context = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, 20, 40);
    ASSERT_TRUE(context);
    page->draw(QRectF(0, 0, 20, 40), ImageRotation::r90, false, *context, false);
    // As for the raster picture: the top-left corner lands bottom-left.
    const uchar* data = context->bitmap().constBits();
    EXPECT_LT(data[35 * 20 + 5], 64);
    EXPECT_GT(data[5 * 20 + 5], 192);
    EXPECT_GT(data[35 * 20 + 15], 192);
}

TEST(OriginalImageDrawing, emptyRectanglesDrawNothing) {
    const auto picture = markedPicture();
    auto context = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, 4, 4);
    context->setGrayFillColor(0.5, 1.0);
    context->fill(QRectF(0, 0, 4, 4));
    picture->draw(QRectF(0, 0, 0, 4), ImageRotation::r90, true, *context, true);
    picture->draw(QRectF(0, 0, 4, 0), *context, false);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(context->bitmap().constBits()[i], 128);
    }
}
