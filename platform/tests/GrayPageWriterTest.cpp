#include "platform/graphics/GrayPageWriter.h"

#include "platform/compute/ThreadPool.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using platform::GrayPageWriter;
using platform::PlacedPicture;

namespace {

QImage randomGray(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_Grayscale8);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.scanLine(y)[x] = uchar(random());
        }
    }
    return image;
}

// What a scaler meets in a photograph: smooth gradients, fine grain, hard
// edges between flat areas and single-pixel lines.
QImage photograph(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int v = (x * 255 / width + y * 255 / height) / 2;
            if (x > width / 2) {
                v = std::clamp(v + int(random() % 61) - 30, 0, 255);
            }
            if (y > height / 3 && y < height / 2 && x < width / 3) {
                v = 0;
            }
            if (x % 9 == 4 && y > 2 * height / 3) {
                v = 255;
            }
            image.scanLine(y)[x] = uchar(v);
        }
    }
    return image;
}

// A page of the given size filled with a value no picture and no white has,
// so that a byte left unwritten shows.
QImage page(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(7);
    return image;
}

// Pictures laid at their own size, one after the other, by the plain rule.
QImage unscaledExpected(int width, int height, const std::vector<PlacedPicture>& placements) {
    QImage expected(width, height, QImage::Format_Grayscale8);
    expected.fill(255);
    for (const auto& p : placements) {
        for (qint64 y = 0; y < p.height; ++y) {
            for (qint64 x = 0; x < p.width; ++x) {
                const qint64 X = p.x + x;
                const qint64 Y = p.y + y;
                if (X >= 0 && X < width && Y >= 0 && Y < height) {
                    expected.scanLine(int(Y))[X] = p.picture.constScanLine(int(y))[x];
                }
            }
        }
    }
    return expected;
}

QImage written(const std::vector<PlacedPicture>& placements, int width, int height,
               platform::compute::ThreadPool* pool, int bands) {
    QImage result = page(width, height);
    GrayPageWriter(placements, width, height)
        .write(result.bits(), result.bytesPerLine(), pool, bands);
    return result;
}

// The area average written plainly: each pixel the mean of the source over
// the rectangle it covers, every source pixel weighed by the area it has
// there.
std::vector<double> boxFiltered(const QImage& source, int width, int height) {
    const double sx = double(source.width()) / width;
    const double sy = double(source.height()) / height;
    std::vector<double> result(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double x0 = x * sx, x1 = (x + 1) * sx;
            const double y0 = y * sy, y1 = (y + 1) * sy;
            double sum = 0;
            double area = 0;
            // A rounding error may take the last edge a hair past the picture.
            const int jEnd = std::min(int(std::ceil(y1)), source.height());
            const int iEnd = std::min(int(std::ceil(x1)), source.width());
            for (int j = int(std::floor(y0)); j < jEnd; ++j) {
                const double h = std::min(y1, j + 1.0) - std::max(y0, double(j));
                for (int i = int(std::floor(x0)); i < iEnd; ++i) {
                    const double w = std::min(x1, i + 1.0) - std::max(x0, double(i));
                    sum += w * h * source.constScanLine(j)[i];
                    area += w * h;
                }
            }
            result[size_t(y) * size_t(width) + size_t(x)] = sum / area;
        }
    }
    return result;
}

struct Error {
    double max = 0;
    double mean = 0;
};

Error errorOf(const QImage& image, const std::vector<double>& reference) {
    Error e;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const double d = std::abs(image.constScanLine(y)[x] -
                                      reference[size_t(y) * size_t(image.width()) + size_t(x)]);
            e.max = std::max(e.max, d);
            e.mean += d;
        }
    }
    e.mean /= double(image.width()) * image.height();
    return e;
}

} // namespace

TEST(GrayPageWriter, unscaledPicturesAreCopiedAndEveryOtherPixelIsWhite) {
    const QImage a = randomGray(13, 9, 1);
    const QImage b = randomGray(17, 11, 2);
    // Cut by every edge, wholly inside, wholly off the page and far off it.
    const std::vector<PlacedPicture> placements = {
        {a, -3, -2, 13, 9},
        {b, 30, 25, 17, 11},
        {a, 12, 8, 13, 9},
        {b, -17, 5, 17, 11},
        {a, 40, 3, 13, 9},
        {b, 5, 30, 17, 11},
        {a, -4'000'000'000'000'000, 1, 13, 9},
        {b, 4'000'000'000'000'000, 1, 17, 11},
    };
    const QImage expected = unscaledExpected(40, 30, placements);
    platform::compute::ThreadPool pool(3);
    for (const int bands : {1, 2, 7, 30}) {
        EXPECT_EQ(written(placements, 40, 30, &pool, bands), expected) << bands;
    }
    EXPECT_EQ(written(placements, 40, 30, nullptr, 0), expected);
    EXPECT_EQ(written({}, 40, 30, &pool, 0), unscaledExpected(40, 30, {}));
}

TEST(GrayPageWriter, laterPicturesLieOverEarlierOnes) {
    const QImage a = randomGray(20, 10, 3);
    const QImage b = randomGray(8, 14, 4);
    const QImage c = randomGray(5, 5, 5);
    // b over a in some rows, c inside b, and a second a over all of them.
    const std::vector<PlacedPicture> placements = {
        {a, 2, 2, 20, 10}, {b, 15, 0, 8, 14}, {c, 16, 4, 5, 5}, {a, 20, 12, 20, 10}};
    platform::compute::ThreadPool pool(3);
    const QImage expected = unscaledExpected(36, 24, placements);
    for (const int bands : {1, 5}) {
        EXPECT_EQ(written(placements, 36, 24, &pool, bands), expected) << bands;
    }
}

TEST(GrayPageWriter, scaledPicturesCutByTheEdgesKeepThePixelsOfTheWholeDrawing) {
    const QImage picture = photograph(61, 43);
    platform::compute::ThreadPool pool(3);
    for (const QSize size : {QSize(150, 97), QSize(23, 19), QSize(61, 120), QSize(200, 20)}) {
        const QImage whole = written({{picture, 0, 0, size.width(), size.height()}}, size.width(),
                                     size.height(), nullptr, 1);
        // The same drawing moved up and left by (9, 5), on a page that cuts
        // its right and bottom too, in bands.
        const int width = size.width() - 13;
        const int height = size.height() - 7;
        const QImage cut =
            written({{picture, -9, -5, size.width(), size.height()}}, width, height, &pool, 4);
        int wrong = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                wrong += cut.constScanLine(y)[x] != whole.constScanLine(y + 5)[x + 9];
            }
        }
        EXPECT_EQ(wrong, 0) << size.width() << " x " << size.height();
    }
}

// Against the area average written plainly here, the scaled pictures are
// never further off than Qt's smooth scaling of the same picture, at the
// largest and on average, scaling up and down by whole and broken factors.
TEST(GrayPageWriter, scaledPicturesAreAtLeastAsFaithfulAsSmoothPainting) {
    const QImage picture = photograph(97, 61);
    const QSize sizes[] = {{31, 23},   {48, 30},   {83, 57},  {97, 61}, {113, 79},
                           {194, 122}, {301, 187}, {40, 150}, {250, 17}};
    for (const QSize size : sizes) {
        const auto reference = boxFiltered(picture, size.width(), size.height());
        const QImage ours = written({{picture, 0, 0, size.width(), size.height()}}, size.width(),
                                    size.height(), nullptr, 1);
        QImage painted(size, QImage::Format_Grayscale8);
        painted.fill(255);
        {
            QPainter painter(&painted);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRect(QPoint(0, 0), size), picture);
        }
        const Error e = errorOf(ours, reference);
        const Error smooth = errorOf(painted, reference);
        const QString name = QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
        // Ours is the average itself, but for the rounding to a byte.
        EXPECT_LE(e.max, 0.5 + 1e-3) << name.toStdString();
        EXPECT_LE(e.max, smooth.max) << name.toStdString();
        EXPECT_LE(e.mean, smooth.mean) << name.toStdString();
    }
}
