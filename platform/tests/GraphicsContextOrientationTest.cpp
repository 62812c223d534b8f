#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

#include <numbers>

using platform::GraphicsContext;

namespace {

// A picture drawn at its own size, however it is turned or mirrored on the
// device's axes, moves its pixels without losing or doubling any, also with
// smooth interpolation.
TEST(GraphicsContextOrientation, axisAlignedDrawingsKeepEveryPixel) {
    QImage picture(20, 10, QImage::Format_Grayscale8);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            picture.scanLine(y)[x] = uchar(x * 10 + y);
        }
    }
    for (int turns = 0; turns < 4; ++turns) {
        for (const bool mirror : {false, true}) {
            for (const auto quality : {GraphicsContext::InterpolationQuality::none,
                                       GraphicsContext::InterpolationQuality::high}) {
                auto context =
                    GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, 40, 40);
                ASSERT_TRUE(context);
                std::memset(context->data(), 255, 40 * 40);
                context->setInterpolationQuality(quality);
                context->translateBy(20, 20);
                context->rotateBy(turns * std::numbers::pi / 2);
                if (mirror) {
                    context->scaleBy(-1, 1);
                }
                context->drawImage(QRectF(0, 0, 20, 10), picture);
                std::vector<int> seen(256, 0);
                for (int row = 0; row < 40; ++row) {
                    for (int column = 0; column < 40; ++column) {
                        ++seen[context->bitmap().constScanLine(row)[column]];
                    }
                }
                int wrong = 0;
                for (int y = 0; y < 10; ++y) {
                    for (int x = 0; x < 20; ++x) {
                        wrong += seen[x * 10 + y] != 1;
                    }
                }
                EXPECT_EQ(wrong, 0) << "turns " << turns << " mirror " << mirror << " smooth "
                                    << (quality == GraphicsContext::InterpolationQuality::high);
            }
        }
    }
}

} // namespace
