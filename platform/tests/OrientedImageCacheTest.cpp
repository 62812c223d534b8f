#include "platform/graphics/OrientedImageCache.h"

#include <gtest/gtest.h>

#include <random>

using platform::OrientedImageCache;

namespace {

QImage randomGray(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    std::mt19937 random(5);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.scanLine(y)[x] = uchar(random());
        }
    }
    return image;
}

const QTransform orientations[] = {
    QTransform(1, 0, 0, 1, 0, 0),   QTransform(-1, 0, 0, 1, 0, 0),  QTransform(1, 0, 0, -1, 0, 0),
    QTransform(-1, 0, 0, -1, 0, 0), QTransform(0, 1, 1, 0, 0, 0),   QTransform(0, -1, 1, 0, 0, 0),
    QTransform(0, 1, -1, 0, 0, 0),  QTransform(0, -1, -1, 0, 0, 0),
};

} // namespace

TEST(OrientedImageCache, turnsAndMirrorsGiveThePixelsOfQt) {
    // Sides that are not multiples of the blocks the turn works in.
    const QImage gray = randomGray(131, 70);
    const QImage colour = gray.convertToFormat(QImage::Format_RGB32);
    OrientedImageCache cache;
    for (const QTransform& t : orientations) {
        const QImage expected = gray.transformed(t, Qt::FastTransformation);
        const QImage oriented = cache.oriented(gray, t);
        ASSERT_EQ(oriented.size(), expected.size()) << t.m11() << t.m12() << t.m21() << t.m22();
        EXPECT_EQ(oriented.convertToFormat(QImage::Format_Grayscale8),
                  expected.convertToFormat(QImage::Format_Grayscale8))
            << t.m11() << " " << t.m12() << " " << t.m21() << " " << t.m22();
        EXPECT_EQ(cache.oriented(colour, t), colour.transformed(t, Qt::FastTransformation));
    }
}

TEST(OrientedImageCache, eachPictureIsTurnedOnce) {
    const QImage gray = randomGray(40, 30);
    OrientedImageCache cache;
    const QImage first = cache.oriented(gray, orientations[5]);
    EXPECT_EQ(cache.oriented(gray, orientations[5]).constBits(), first.constBits());
    EXPECT_NE(cache.oriented(gray, orientations[6]).constBits(), first.constBits());
    // A like picture that is another picture is turned for itself.
    QImage other = gray.copy();
    other.scanLine(0)[0] ^= 1;
    EXPECT_NE(cache.oriented(other, orientations[5]), first);
}
