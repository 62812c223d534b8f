#include "platform/graphics/GrayPictureReduction.h"

#include "platform/compute/Device.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <random>

using platform::GrayPictureReduction;

namespace {

double meanGray(const QImage& gray) {
    double sum = 0;
    for (int y = 0; y < gray.height(); ++y) {
        for (int x = 0; x < gray.width(); ++x) {
            sum += gray.constScanLine(y)[x];
        }
    }
    return sum / (double(gray.width()) * gray.height());
}

// The picture as the painter lays it on a white gray page.
QImage onGrayPage(const QImage& picture) {
    QImage page(picture.size(), QImage::Format_Grayscale8);
    page.fill(255);
    QPainter(&page).drawImage(0, 0, picture);
    return page;
}

} // namespace

// A line a fortieth of a pixel wide after the reduction keeps its share of
// the tone: neither a black pixel nor none.
TEST(GrayPictureReduction, aThinLineKeepsItsShareOfTheTone) {
    QImage picture(4000, 3000, QImage::Format_Grayscale8);
    picture.fill(255);
    for (int y = 0; y < picture.height(); ++y) {
        picture.scanLine(y)[1234] = 0;
    }
    const QImage reduced = GrayPictureReduction::reduced(picture, QSize(100, 75));
    ASSERT_EQ(reduced.size(), QSize(100, 75));
    for (int y = 0; y < reduced.height(); ++y) {
        // Column 30 covers the line's pixel: 1 of its 40 columns is black.
        EXPECT_NEAR(reduced.constScanLine(y)[30], 255.0 * 39 / 40, 1.0) << y;
        EXPECT_EQ(reduced.constScanLine(y)[29], 255);
        EXPECT_EQ(reduced.constScanLine(y)[31], 255);
    }
    EXPECT_NEAR(meanGray(reduced), meanGray(picture), 0.05);
}

// Every format comes out as its gray on a white page would, translucent
// pixels over white, indexed ones through their table and bit order, with
// the rows made on the workers or on the caller alike.
TEST(GrayPictureReduction, everyFormatGivesItsGrayOnAWhitePage) {
    std::mt19937 random(9);
    QImage argb(611, 407, QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            argb.setPixel(x, y,
                          qRgba(int(random() % 256), int(random() % 256), int(random() % 256),
                                y % 3 ? 255 : int(random() % 256)));
        }
    }
    QImage indexed(611, 407, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 200, 30), qRgba(250, 0, 0, 100), qRgb(0, 0, 255), 0xff808080u});
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            indexed.scanLine(y)[x] = uchar(random() % 4);
        }
    }
    const QImage pictures[] = {
        argb,
        argb.convertToFormat(QImage::Format_RGB32),
        argb.convertToFormat(QImage::Format_Grayscale16),
        argb.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither),
        argb.convertToFormat(QImage::Format_MonoLSB, Qt::ThresholdDither),
        indexed,
    };
    const auto device = platform::compute::Device::systemDefault();
    ASSERT_TRUE(device);
    for (const QImage& picture : pictures) {
        for (const QSize size : {QSize(97, 61), QSize(611, 407), QSize(1300, 500)}) {
            const QImage expected = GrayPictureReduction::reduced(onGrayPage(picture), size);
            EXPECT_EQ(GrayPictureReduction::reduced(picture, size), expected)
                << picture.format() << " at " << size.width();
            EXPECT_EQ(GrayPictureReduction::reduced(picture, size, &device->threadPool()), expected)
                << picture.format() << " at " << size.width() << " on the workers";
        }
    }
    EXPECT_TRUE(GrayPictureReduction::reduced(QImage(), QSize(10, 10)).isNull());
    EXPECT_TRUE(GrayPictureReduction::reduced(argb, QSize(0, 10)).isNull());
}
