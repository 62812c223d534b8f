#include "core/canvas/GridViewImageView.h"
#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

using namespace kestrom;
using ambrel::ImageRotation;

// The canvas turns and mirrors its working copy itself; it must come out as
// the print draws the picture, pixel for pixel.
TEST(GridViewImageView, turnsAndMirrorsAsThePrintDraws) {
    QImage upright(3, 2, QImage::Format_ARGB32_Premultiplied);
    const QRgb colours[6] = {0xffff0000, 0xff00ff00, 0xff0000ff,
                             0xffffff00, 0xff00ffff, 0xffff00ff};
    for (int i = 0; i < 6; ++i) {
        upright.setPixel(i % 3, i / 3, colours[i]);
    }
    const auto picture = ambrel::OriginalImage::fromImage(upright, {}, {}, 1);
    ASSERT_TRUE(picture);
    for (const ImageRotation rotation :
         {ImageRotation::none, ImageRotation::r90, ImageRotation::r180, ImageRotation::r270}) {
        for (const bool flip : {false, true}) {
            const int w = rotation.isWidthHeightFlipped() ? 2 : 3;
            const int h = rotation.isWidthHeightFlipped() ? 3 : 2;
            auto context = platform::GraphicsContext::makeBitmap(
                platform::GraphicsContext::PixelFormat::rgba8888Premultiplied, w, h);
            ASSERT_TRUE(context);
            context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::none);
            // The print draws into a space whose y runs down the canvas.
            context->translateBy(0, h);
            context->scaleBy(1, -1);
            picture->draw(QRectF(0, 0, w, h), rotation, flip, *context, true);
            const QImage printed =
                context->makeImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            const QImage shown = GridViewImageView::orientedImage(upright, rotation, flip)
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            ASSERT_EQ(shown.size(), printed.size());
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    EXPECT_EQ(shown.pixel(x, y), printed.pixel(x, y))
                        << "turn " << rotation.rawValue() << " mirrored " << flip << " at " << x
                        << "," << y;
                }
            }
        }
    }
}
