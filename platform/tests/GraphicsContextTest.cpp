#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageLimits.h"

#include <gtest/gtest.h>

#include <vector>

using platform::GraphicsContext;
using platform::ImageLimits;
using Format = GraphicsContext::PixelFormat;

namespace {

// A gray picture whose rows are 10, 20, 30, ... so row order is visible.
QImage rowRamp(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        memset(image.scanLine(y), 10 * (y + 1), size_t(width));
    }
    return image;
}

} // namespace

TEST(GraphicsContext, grayBitmapRowsAreExactlyTheWidthAndDrawIntoCallerMemory) {
    std::vector<uchar> memory(5 * 3, 0xAA);
    auto context = GraphicsContext::makeBitmap(Format::gray8, 5, 3, memory.data());
    ASSERT_TRUE(context);
    EXPECT_EQ(context->bytesPerRow(), 5);
    EXPECT_EQ(context->data(), memory.data());
    context->setGrayFillColor(1.0, 1.0);
    context->fill(QRectF(0, 0, 5, 3));
    EXPECT_EQ(memory, std::vector<uchar>(15, 255));
}

TEST(GraphicsContext, ownMemoryStartsClearedAndHasNoRowPadding) {
    auto context = GraphicsContext::makeBitmap(Format::gray8, 7, 2);
    ASSERT_TRUE(context);
    EXPECT_EQ(context->bytesPerRow(), 7);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(context->data()[i], 0);
    }
    auto rgba = GraphicsContext::makeBitmap(Format::rgba8888Premultiplied, 3, 2);
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->bytesPerRow(), 12);
}

TEST(GraphicsContext, userSpaceYPointsUpFromTheLastRow) {
    auto context = GraphicsContext::makeBitmap(Format::gray8, 4, 3);
    ASSERT_TRUE(context);
    context->setShouldAntialias(false);
    context->setGrayFillColor(1.0, 1.0);
    context->fill(QRectF(0, 0, 4, 1)); // y = 0..1 is the bottom row
    const uchar* data = context->data();
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(data[0 * 4 + x], 0);
        EXPECT_EQ(data[2 * 4 + x], 255);
    }
}

TEST(GraphicsContext, pictureDrawnAtItsOwnSizeKeepsItsRowOrder) {
    const QImage picture = rowRamp(5, 4);
    auto context = GraphicsContext::makeBitmap(Format::gray8, 5, 4);
    ASSERT_TRUE(context);
    context->setInterpolationQuality(GraphicsContext::InterpolationQuality::none);
    context->drawImage(QRectF(0, 0, 5, 4), picture);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(context->data()[y * 5 + x], 10 * (y + 1)) << x << "," << y;
        }
    }
}

TEST(GraphicsContext, stateRestoresTransformAndAntialiasing) {
    auto context = GraphicsContext::makeBitmap(Format::gray8, 10, 10);
    ASSERT_TRUE(context);
    const QTransform base = context->userToDevice();
    EXPECT_EQ(base.map(QPointF(0, 0)), QPointF(0, 10));
    context->saveGState();
    context->translateBy(2, 3);
    context->rotateBy(M_PI / 2);
    context->setShouldAntialias(false);
    // A quarter turn maps the x axis onto the y axis of user space.
    const QPointF p = context->userToDevice().map(QPointF(1, 0));
    EXPECT_NEAR(p.x(), 2, 1e-9);
    EXPECT_NEAR(p.y(), 10 - 4, 1e-9);
    EXPECT_FALSE(context->painter().testRenderHint(QPainter::Antialiasing));
    context->restoreGState();
    EXPECT_EQ(context->userToDevice(), base);
    EXPECT_TRUE(context->painter().testRenderHint(QPainter::Antialiasing));
    // A restore without a save leaves everything as it is.
    context->restoreGState();
    EXPECT_EQ(context->userToDevice(), base);
}

TEST(GraphicsContext, disallowedAntialiasingWinsOverTheState) {
    auto context = GraphicsContext::makeBitmap(Format::gray8, 4, 4);
    ASSERT_TRUE(context);
    context->setAllowsAntialiasing(false);
    context->setShouldAntialias(true);
    EXPECT_FALSE(context->painter().testRenderHint(QPainter::Antialiasing));
}

TEST(GraphicsContext, refusesEmptyAndOversizedBitmapsWithoutAllocating) {
    EXPECT_FALSE(GraphicsContext::makeBitmap(Format::gray8, 0, 10));
    EXPECT_FALSE(GraphicsContext::makeBitmap(Format::gray8, 10, -1));
    EXPECT_FALSE(GraphicsContext::makeBitmap(Format::rgba8888Premultiplied, 40000, 40000));
}

TEST(ImageLimits, admitsOneMetreSquareAtSixHundredDpiAndNothingLarger) {
    EXPECT_TRUE(ImageLimits::admits(23622, 23622));
    EXPECT_FALSE(ImageLimits::admits(23622, 23800));
    EXPECT_FALSE(ImageLimits::admits(ImageLimits::maximumPixelCount + 1, 1));
    EXPECT_FALSE(ImageLimits::admits(std::numeric_limits<qint64>::max(), 2));
    EXPECT_FALSE(ImageLimits::admits(0, 5));
}

TEST(GraphicsContext, painterContextSharesTheYUpConvention) {
    QImage target(3, 2, QImage::Format_Grayscale8);
    target.fill(0);
    {
        QPainter painter(&target);
        GraphicsContext context(painter, QSizeF(3, 2));
        context.setShouldAntialias(false);
        context.setGrayFillColor(1.0, 1.0);
        context.fill(QRectF(0, 1, 3, 1)); // upper half
    }
    EXPECT_EQ(qGray(target.pixel(0, 0)), 255);
    EXPECT_EQ(qGray(target.pixel(0, 1)), 0);
}
