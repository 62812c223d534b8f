#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/GrayPageWriter.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/graphics/PlacementRecorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <numbers>

using platform::GraphicsContext;
using platform::PlacementRecorder;

namespace {

constexpr int side = 60;

QImage marked(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.scanLine(y)[x] = uchar(1 + (x * 13 + y * 7) % 250);
        }
    }
    return image;
}

std::unique_ptr<GraphicsContext> whitePage() {
    auto context = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, side, side);
    std::memset(context->data(), 255, size_t(side) * side);
    return context;
}

// The page the painter draws, and the page written from the recording of
// the same drawing (null when the recording is incomplete).
std::pair<QImage, QImage> paintedAndWritten(const std::function<void(GraphicsContext&)>& draw) {
    auto painted = whitePage();
    draw(*painted);
    auto recording = whitePage();
    std::memset(recording->data(), 7, size_t(side) * side);
    PlacementRecorder recorder;
    recording->recordPlacements(&recorder);
    recording->shareOrientedImages(std::make_shared<platform::OrientedImageCache>());
    draw(*recording);
    // Recording draws nothing.
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (recording->bitmap().constScanLine(y)[x] != 7) {
                ADD_FAILURE() << "a recording context drew at " << x << ", " << y;
                return {};
            }
        }
    }
    if (!recorder.isComplete()) {
        return {painted->makeImage(), QImage()};
    }
    QImage written(side, side, QImage::Format_Grayscale8);
    platform::GrayPageWriter(recorder.takePlacements(), side, side)
        .write(written.bits(), written.bytesPerLine(), nullptr);
    return {painted->makeImage(), written};
}

QRect boundsOfNonWhite(const QImage& page) {
    QRect bounds;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (page.constScanLine(y)[x] != 255) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

void turnAndMirror(GraphicsContext& context, int turns, bool mirror) {
    context.translateBy(25, 30);
    context.rotateBy(turns * std::numbers::pi / 2);
    if (mirror) {
        context.scaleBy(-1, 1);
    }
}

} // namespace

// Turned and mirrored on the page's axes, cut by its edges: at the picture's
// own size the written page is the painted one to the byte; scaled, the
// picture covers exactly the pixels the painter covers.
TEST(GraphicsContextRecording, placesPicturesWhereThePainterDrawsThem) {
    const QImage picture = marked(23, 14);
    for (int turns = 0; turns < 4; ++turns) {
        for (const bool mirror : {false, true}) {
            for (const QRectF rect : {QRectF(0, 0, 23, 14), QRectF(-8, 3, 23, 14),
                                      QRectF(2, -1, 47, 29), QRectF(1, 2, 9, 11)}) {
                const auto [painted, written] = paintedAndWritten([&](GraphicsContext& c) {
                    c.setInterpolationQuality(GraphicsContext::InterpolationQuality::high);
                    turnAndMirror(c, turns, mirror);
                    c.drawImage(rect, picture);
                });
                ASSERT_FALSE(written.isNull());
                const bool ownSize = rect.size() == QSizeF(picture.size());
                const auto where = QStringLiteral("turns %1 mirror %2 rect %3 x %4")
                                       .arg(turns)
                                       .arg(mirror)
                                       .arg(rect.width())
                                       .arg(rect.height())
                                       .toStdString();
                EXPECT_EQ(boundsOfNonWhite(written), boundsOfNonWhite(painted)) << where;
                if (ownSize) {
                    EXPECT_EQ(written, painted) << where;
                }
            }
        }
    }
}

TEST(GraphicsContextRecording, leavesToThePainterWhatItCannotLay) {
    const QImage picture = marked(10, 8);
    QImage translucent(10, 8, QImage::Format_ARGB32);
    translucent.fill(qRgba(0, 0, 0, 128));
    const std::vector<std::function<void(GraphicsContext&)>> drawings = {
        [&](GraphicsContext& c) { c.fill(QRectF(0, 0, 5, 5)); },
        [&](GraphicsContext& c) {
            c.clipTo(QRectF(0, 0, 5, 5));
            c.drawImage(QRectF(0, 0, 10, 8), picture);
        },
        [&](GraphicsContext& c) {
            c.rotateBy(0.3);
            c.drawImage(QRectF(10, 10, 10, 8), picture);
        },
        [&](GraphicsContext& c) { c.drawImage(QRectF(0.5, 0, 10, 8), picture); },
        [&](GraphicsContext& c) { c.drawImage(QRectF(3, 3, 10, 8), translucent); },
        [&](GraphicsContext& c) {
            c.setInterpolationQuality(GraphicsContext::InterpolationQuality::none);
            c.drawImage(QRectF(0, 0, 20, 16), picture);
        },
    };
    for (size_t i = 0; i < drawings.size(); ++i) {
        EXPECT_TRUE(paintedAndWritten(drawings[i]).second.isNull()) << i;
    }
    // Unsmoothed at its own size, or opaque colour (laid as its gray), is laid.
    const auto [painted, written] = paintedAndWritten([&](GraphicsContext& c) {
        c.setInterpolationQuality(GraphicsContext::InterpolationQuality::none);
        c.drawImage(QRectF(4, 5, 10, 8), picture);
        c.drawImage(QRectF(30, 5, 10, 8), picture.convertToFormat(QImage::Format_RGB32));
    });
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written, painted);
}
