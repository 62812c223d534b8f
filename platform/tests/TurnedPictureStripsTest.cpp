#include "platform/graphics/TurnedPictureStrips.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/tests/support/ProcessMemory.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <numbers>
#include <random>

using platform::TurnedPictureStrips;

namespace {

const QTransform orientations[] = {
    QTransform(-1, 0, 0, 1, 0, 0),  QTransform(1, 0, 0, -1, 0, 0), QTransform(-1, 0, 0, -1, 0, 0),
    QTransform(0, 1, 1, 0, 0, 0),   QTransform(0, -1, 1, 0, 0, 0), QTransform(0, 1, -1, 0, 0, 0),
    QTransform(0, -1, -1, 0, 0, 0),
};

// Noise in every pixel and no pixel of zero bytes: a pixel the painter
// reads that the strips did not make (which reads as zero) shows.
QImage noise(int width, int height, QImage::Format format, std::mt19937& random) {
    QImage argb(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int g = 1 + int(random() % 255);
            line[x] = qRgba(g, 255 - g / 2, g / 3 + 1, 128 + int(random() % 128));
        }
    }
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return argb.convertToFormat(format, Qt::ThresholdDither);
    case QImage::Format_Indexed8: {
        QImage indexed(width, height, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 40; ++i) {
            table.append(qRgba(6 * i + 1, 200 - 3 * i, 17 + i, i % 3 ? 255 : 90 + i));
        }
        indexed.setColorTable(table);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                indexed.scanLine(y)[x] = uchar(random() % 40);
            }
        }
        return indexed;
    }
    default:
        return argb.convertToFormat(format);
    }
}

// The painter's drawing of the picture's whole turned copy, and the
// strips' drawing, on gray pages of the size, or on antialiased colour ones
// as the windows draw pictures; clipped to the rows when any.
struct Pair {
    QImage whole;
    QImage strips;
};

Pair drawBoth(const QImage& picture, const QTransform& orientation, const QRectF& deviceRect,
              const QSize& page, const QRect& rows = {}, bool colourPage = false) {
    const QImage::Format format =
        colourPage ? QImage::Format_ARGB32_Premultiplied : QImage::Format_Grayscale8;
    Pair pair{QImage(page, format), QImage(page, format)};
    pair.whole.fill(Qt::white);
    pair.strips.fill(Qt::white);
    const QImage turned = picture.transformed(orientation, Qt::FastTransformation);
    for (QImage* out : {&pair.whole, &pair.strips}) {
        QPainter painter(out);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing, colourPage);
        if (!rows.isNull()) {
            painter.setClipRect(rows);
        }
        if (out == &pair.whole) {
            painter.drawImage(deviceRect, turned);
        } else {
            EXPECT_TRUE(TurnedPictureStrips::draw(painter, deviceRect, picture, orientation));
        }
    }
    return pair;
}

} // namespace

// Whatever the picture's format, its turn and its scale, the strips lay the
// bytes the whole turned copy lays, also in a band of rows and on an
// antialiased colour page; and the strips
// read only pixels they made, at the edges of the picture too.
TEST(TurnedPictureStrips, drawTheWholeTurnedCopysPixelsForEveryFormatTurnAndScale) {
    std::mt19937 random(3);
    const QImage::Format formats[] = {
        QImage::Format_Mono,        QImage::Format_MonoLSB, QImage::Format_Indexed8,
        QImage::Format_Grayscale16, QImage::Format_RGBA64,  QImage::Format_ARGB32,
        QImage::Format_RGB32,       QImage::Format_RGB888,  QImage::Format_RGB16,
        QImage::Format_Grayscale8,
    };
    for (const QImage::Format format : formats) {
        const QImage picture = noise(173, 97, format, random);
        for (const QTransform& orientation : orientations) {
            ASSERT_TRUE(TurnedPictureStrips::appliesTo(picture, orientation));
            const bool across = orientation.m11() == 0;
            const QSizeF turned = across ? QSizeF(97, 173) : QSizeF(173, 97);
            // Down by four and by 1.7, up by 2.3; off whole pixels and
            // partly off the page.
            for (const double scale : {0.248, 0.59, 2.3}) {
                const QRectF rect(-3.25, 7.5, turned.width() * scale, turned.height() * scale);
                const QSize page(std::max(20, int(rect.right()) - 9), int(rect.bottom()) + 5);
                SCOPED_TRACE("format " + std::to_string(format) + ", scale " +
                             std::to_string(scale) + ", m " + std::to_string(orientation.m11()) +
                             std::to_string(orientation.m12()) + std::to_string(orientation.m21()) +
                             std::to_string(orientation.m22()));
                const Pair all = drawBoth(picture, orientation, rect, page);
                EXPECT_EQ(all.strips, all.whole);
                const QRect band(0, page.height() / 3, page.width(), page.height() / 4);
                const Pair banded = drawBoth(picture, orientation, rect, page, band);
                EXPECT_EQ(banded.strips, banded.whole);
                const Pair colour = drawBoth(picture, orientation, rect, page, {}, true);
                EXPECT_EQ(colour.strips, colour.whole);
            }
        }
    }
}

// A picture far larger than one strip is drawn strip by strip with the
// same bytes, and without its turned copy: a 1-bit picture whose copy
// takes 64 MB is drawn within a few of them.
TEST(TurnedPictureStrips, aLargePictureIsDrawnInStripsWithoutItsWholeCopy) {
    std::mt19937 random(8);
    QImage picture(4000, 4000, QImage::Format_Mono);
    picture.fill(1);
    for (int i = 0; i < 3000; ++i) {
        const int x = int(random() % 3990);
        const int y = int(random() % 3990);
        for (int d = 0; d < 9; ++d) {
            picture.setPixel(x + d, y + (d * 7) % 9, 0);
        }
    }
    const QTransform transpose(0, 1, 1, 0, 0, 0);
    const QRectF rect(0.5, -11, 1003.7, 1009.2);
    const QSize page(1000, 1000);
    QImage strips(page, QImage::Format_Grayscale8);
    strips.fill(255);
    const qint64 before = ProcessMemory::resident();
    const bool peakReset = ProcessMemory::resetResidentPeak();
    {
        QPainter painter(&strips);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        EXPECT_TRUE(TurnedPictureStrips::draw(painter, rect, picture, transpose));
    }
#ifndef LUNVIK_SANITIZED_BUILD
    ASSERT_TRUE(peakReset);
    EXPECT_LT(ProcessMemory::residentPeak() - before, 16 * 1024 * 1024);
#else
    Q_UNUSED(before);
    Q_UNUSED(peakReset);
#endif
    QImage whole(page, QImage::Format_Grayscale8);
    whole.fill(255);
    {
        QPainter painter(&whole);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, picture.transformed(transpose, Qt::FastTransformation));
    }
    EXPECT_EQ(strips, whole);
}

// The print's page and the canvas's pieces draw through the context: a
// 1-bit or 16-bit picture turned onto a gray page gives the bytes of its
// whole turned copy, with the pictures shared or not, in bands or whole.
TEST(TurnedPictureStrips, aGrayPageDrawsWhatTheWholeCopyDraws) {
    std::mt19937 random(4);
    for (const QImage::Format format :
         {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_Grayscale16}) {
        const QImage picture = noise(301, 211, format, random);
        const QSize page(150, 260);
        for (const bool shared : {false, true}) {
            auto context = platform::GraphicsContext::makeBitmap(
                platform::GraphicsContext::PixelFormat::gray8, page.width(), page.height());
            ASSERT_TRUE(context);
            std::memset(context->data(), 255, size_t(page.width() * page.height()));
            if (shared) {
                context->shareOrientedImages(std::make_shared<platform::OrientedImageCache>());
            }
            context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::high);
            context->setAllowsAntialiasing(false);
            // As the print turns its canvas: a quarter turn, y up.
            context->translateBy(page.width(), 0);
            context->rotateBy(std::numbers::pi / 2);
            const QRectF rect(3, 2, 251.5, 141);
            const QTransform toDevice = context->userToDevice();
            const auto orientation = context->imageOrientation(rect, picture.size());
            ASSERT_TRUE(orientation);
            context->drawImage(rect, picture);

            QImage expected(page, QImage::Format_Grayscale8);
            expected.fill(255);
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            const QRectF deviceRect =
                toDevice.mapRect(QRectF(rect.x(), rect.y(), rect.width(), rect.height()));
            painter.drawImage(deviceRect,
                              picture.transformed(*orientation, Qt::FastTransformation));
            painter.end();
            EXPECT_EQ(context->makeImage(), expected) << format << " shared " << shared;
        }
    }
}
