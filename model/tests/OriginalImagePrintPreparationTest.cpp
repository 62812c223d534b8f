#include "model/pictures/GraphicsExtensions.h"
#include "model/pictures/OriginalImage.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/OrientedImageCache.h"

#include <QBuffer>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <memory>

using ambrel::ImageRotation;
using ambrel::OriginalImage;
using platform::OrientedImageCache;

namespace {

QImage colourPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
        }
    }
    return image;
}

// Draws the picture as the print draws it on its gray bitmap, with a cache of
// the print's own; how many colour pictures that made gray.
int madeGrayByPrint(const OriginalImage& image, ImageRotation rotation, bool flip) {
    const int before = OrientedImageCache::colourPicturesMadeGray();
    const qint64 w = 80, h = 90;
    auto context = ambrel::GraphicsExtensions::grayOpaqueContext(nullptr, {h, w});
    context->shareOrientedImages(std::make_shared<OrientedImageCache>());
    ambrel::GraphicsExtensions::turnCanvasToColumns(*context, double(h));
    context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::high);
    const QSizeF size = rotation.isWidthHeightFlipped() ? QSizeF(60, 40) : QSizeF(40, 60);
    image.draw(QRectF(QPointF(7, 5), size), rotation, flip, *context, true);
    return OrientedImageCache::colourPicturesMadeGray() - before;
}

} // namespace

// The prepared gray is the one every turn and mirror of the print takes.
TEST(OriginalImagePrintPreparation, printTakesThePreparedGray) {
    const auto image = OriginalImage::fromImage(colourPicture(30, 20), {}, {}, 1);
    ASSERT_TRUE(image);
    for (const ImageRotation rotation :
         {ImageRotation(ImageRotation::Case::none), ImageRotation(ImageRotation::Case::r90),
          ImageRotation(ImageRotation::Case::r180), ImageRotation(ImageRotation::Case::r270)}) {
        for (const bool flip : {false, true}) {
            OrientedImageCache::dropKeptGray();
            const int before = OrientedImageCache::colourPicturesMadeGray();
            image->prepareForGrayPrint(rotation, flip);
            OrientedImageCache::waitForPreparations();
            EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
            EXPECT_EQ(madeGrayByPrint(*image, rotation, flip), 0)
                << int(ImageRotation::Case(rotation)) << flip;
        }
    }
}

// A picture whose whole pixels are decoded behind a smaller decode is
// prepared once they are there; a vector page never.
TEST(OriginalImagePrintPreparation, waitsForTheWholeDecode) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "jpeg").write(colourPicture(800, 600)));
    buffer.close();
    const auto image = OriginalImage::fromDataDecodingBehind(
        jpeg, QUrl::fromLocalFile(QStringLiteral("/p/photo.jpg")), QSize(100, 100));
    ASSERT_TRUE(image);
    OrientedImageCache::dropKeptGray();
    const int before = OrientedImageCache::colourPicturesMadeGray();
    const ImageRotation rotation(ImageRotation::Case::r90);
    image->prepareForGrayPrint(rotation, false);
    OrientedImageCache::waitForPreparations();
    EXPECT_TRUE(image->isFullyDecoded());
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
    EXPECT_EQ(madeGrayByPrint(*image, rotation, false), 0);
}
