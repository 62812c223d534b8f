#include "platform/graphics/OrientedImageCache.h"

#include "platform/FirstFrameGate.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/tests/support/TestPictures.h"

#include <QPainter>
#include <QScopeGuard>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <memory>
#include <numbers>
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
        // A colour copy is not made whole: it is drawn in strips.
        if (t.isIdentity()) {
            EXPECT_EQ(cache.oriented(colour, t), colour);
        } else {
            EXPECT_TRUE(cache.oriented(colour, t).isNull());
        }
    }
}

// A picture turned once for one drawing, outside any cache, on the calling
// thread: the same pixels; a colour one is left to be drawn in strips, and
// Qt turns it itself where the transform is no quarter turn.
TEST(OrientedImageCache, aPictureTurnedOnceGivesThePixelsOfQt) {
    const QImage gray = randomGray(131, 70);
    for (const QTransform& t : orientations) {
        const QImage expected = gray.transformed(t, Qt::FastTransformation);
        const QImage oriented = OrientedImageCache::orientedOnce(gray, t);
        ASSERT_EQ(oriented.size(), expected.size()) << t.m11() << t.m12() << t.m21() << t.m22();
        EXPECT_EQ(oriented.convertToFormat(QImage::Format_Grayscale8),
                  expected.convertToFormat(QImage::Format_Grayscale8))
            << t.m11() << " " << t.m12() << " " << t.m21() << " " << t.m22();
    }
    const QImage colour = gray.convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(OrientedImageCache::orientedOnce(colour, orientations[4]).isNull());
    // Upright, the picture itself: no copy is made.
    EXPECT_EQ(OrientedImageCache::orientedOnce(gray, QTransform()).constBits(), gray.constBits());
    const QTransform scaled = QTransform::fromScale(2, 1);
    EXPECT_EQ(OrientedImageCache::orientedOnce(gray, scaled),
              gray.transformed(scaled, Qt::FastTransformation));
}

// The print, the canvas's tiles and the inspector each have a cache of their
// own; a gray picture is turned once for all of them while one holds it.
TEST(OrientedImageCache, aGrayTurnIsSharedByTheCachesThatHoldIt) {
    const QImage gray = randomGray(60, 30);
    auto tiles = std::make_unique<OrientedImageCache>();
    const QImage first = tiles->oriented(gray, orientations[5], true);
    EXPECT_EQ(OrientedImageCache().oriented(gray, orientations[5], true).constBits(),
              first.constBits());
    EXPECT_NE(OrientedImageCache().oriented(gray, orientations[6], true).constBits(),
              first.constBits());
    EXPECT_EQ(OrientedImageCache().oriented(gray, orientations[5], true),
              gray.transformed(orientations[5], Qt::FastTransformation)
                  .convertToFormat(QImage::Format_Grayscale8));
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

namespace {

QImage randomColour(int width, int height, QImage::Format format, bool translucent) {
    QImage image(width, height, format);
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = QRgb(random());
            line[x] = translucent ? qPremultiply(c) : (c | 0xff000000u);
        }
    }
    return image;
}

// The picture drawn upright into the whole of a gray page of `size`, turned
// and mirrored by the page's own transform: with the cache, or the way the
// painter draws it without one.
QImage drawnOnGrayPage(const QImage& picture, const QSize& size, bool turned,
                       std::shared_ptr<OrientedImageCache> cache) {
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::gray8, size.width(), size.height());
    std::memset(context->data(), 255, size_t(context->bytesPerRow()) * size_t(size.height()));
    if (cache) {
        context->shareOrientedImages(std::move(cache));
    }
    context->setAllowsAntialiasing(false);
    if (turned) {
        context->translateBy(size.width(), 0);
        context->rotateBy(std::numbers::pi / 2);
        context->drawImage(QRectF(0, 0, size.height(), size.width()), picture);
    } else {
        context->drawImage(QRectF(0, 0, size.width(), size.height()), picture);
    }
    return context->makeImage();
}

int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            largest = std::max(largest, std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]));
        }
    }
    return largest;
}

} // namespace

TEST(OrientedImageCache, colourOnAGrayPageGivesThePaintersGray) {
    // Every colour the painter can meet, through Qt's own conversion: the
    // painter gives the same gray.
    const QImage colour = randomColour(131, 70, QImage::Format_RGB32, false);
    QImage page(colour.size(), QImage::Format_Grayscale8);
    page.fill(255);
    QPainter(&page).drawImage(0, 0, colour);
    EXPECT_EQ(page, colour.convertToFormat(QImage::Format_Grayscale8));

    struct Case {
        QImage::Format format;
        bool translucent;
    };
    // The formats decoders give and the upright turn of a photo leaves too.
    for (const Case& c :
         {Case{QImage::Format_RGB32, false}, Case{QImage::Format_ARGB32, false},
          Case{QImage::Format_ARGB32_Premultiplied, false},
          Case{QImage::Format_ARGB32_Premultiplied, true}, Case{QImage::Format_RGBX8888, false},
          Case{QImage::Format_RGB888, false}, Case{QImage::Format_RGBA8888, false},
          Case{QImage::Format_RGBA8888, true}, Case{QImage::Format_RGBA8888_Premultiplied, true}}) {
        const QImage picture = randomColour(131, 70,
                                            c.translucent ? QImage::Format_ARGB32_Premultiplied
                                                          : QImage::Format_ARGB32,
                                            c.translucent)
                                   .convertToFormat(c.format);
        for (bool turned : {false, true}) {
            const QSize size = turned ? QSize(70, 131) : QSize(131, 70);
            OrientedImageCache::dropKeptGray();
            const int before = OrientedImageCache::colourPicturesMadeGray();
            EXPECT_EQ(
                drawnOnGrayPage(picture, size, turned, std::make_shared<OrientedImageCache>()),
                drawnOnGrayPage(picture, size, turned, nullptr))
                << c.format << " translucent " << c.translucent << " turned " << turned;
            // Translucent pixels are blended with the page: such a picture
            // keeps its colour.
            EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, c.translucent ? 0 : 1);
        }
    }
}

TEST(OrientedImageCache, colourPictureIsMadeGrayOnceAcrossPrints) {
    OrientedImageCache::dropKeptGray();
    QImage picture = randomColour(90, 50, QImage::Format_RGB32, false);
    const int before = OrientedImageCache::colourPicturesMadeGray();
    // Each print has a cache of its own.
    const QImage first = OrientedImageCache().oriented(picture, orientations[5], true);
    EXPECT_EQ(first.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(OrientedImageCache().oriented(picture, orientations[5], true).constBits(),
              first.constBits());
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
    // A colour page keeps the colour, drawn in strips.
    EXPECT_TRUE(OrientedImageCache().oriented(picture, orientations[5]).isNull());

    // Another turn, a mirror, or a changed picture is made again.
    const QImage turned = OrientedImageCache().oriented(picture, orientations[6], true);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 2);
    EXPECT_EQ(turned, picture.convertToFormat(QImage::Format_Grayscale8)
                          .transformed(orientations[6], Qt::FastTransformation));
    OrientedImageCache().oriented(picture, orientations[1], true);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 3);
    picture.setPixel(0, 0, qRgb(1, 2, 3));
    const QImage changed = OrientedImageCache().oriented(picture, orientations[1], true);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 4);
    EXPECT_EQ(changed, picture.convertToFormat(QImage::Format_Grayscale8)
                           .transformed(orientations[1], Qt::FastTransformation));
}

TEST(OrientedImageCache, scaledColourStaysCloseToThePainter) {
    // Scaling the gray rather than the colour averages after, not before,
    // the gray conversion. On smooth colours with a sharp edge in the blue
    // the page stays within six levels of the colour drawn the old way.
    QImage picture(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 255 / 299, y * 255 / 199, (x + y) % 256));
        }
    }
    for (const QSize size : {QSize(137, 211), QSize(450, 640)}) {
        const QImage cached =
            drawnOnGrayPage(picture, size, true, std::make_shared<OrientedImageCache>());
        const QImage old = drawnOnGrayPage(picture, size, true, nullptr);
        EXPECT_LE(largestDifference(cached, old), 6) << size.width() << "x" << size.height();
    }
}

// Preparing ahead of the print: made once in the background, given to the
// print that follows or that comes while it is made, superseded by a newer
// request, and nothing for gray pictures.
TEST(OrientedImageCache, preparedColourPictureServesThePrint) {
    OrientedImageCache::waitForPreparations();
    OrientedImageCache::dropKeptGray();
    const QImage picture = randomColour(300, 200, QImage::Format_RGB32, false);
    const int before = OrientedImageCache::colourPicturesMadeGray();
    OrientedImageCache::prepare([picture] { return picture; }, orientations[5]);
    OrientedImageCache::waitForPreparations();
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
    const QImage printed = OrientedImageCache().oriented(picture, orientations[5], true);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
    EXPECT_EQ(printed, picture.convertToFormat(QImage::Format_Grayscale8)
                           .transformed(orientations[5], Qt::FastTransformation));

    // A print that comes while the picture is awaited, or at once after the
    // request, makes it once between them, whichever is first.
    for (const int delay_ms : {0, 50}) {
        OrientedImageCache::dropKeptGray();
        const int start = OrientedImageCache::colourPicturesMadeGray();
        OrientedImageCache::prepare(
            [picture, delay_ms] {
                QThread::msleep(delay_ms);
                return picture;
            },
            orientations[2]);
        const QImage during = OrientedImageCache().oriented(picture, orientations[2], true);
        OrientedImageCache::waitForPreparations();
        EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - start, 1) << delay_ms;
        EXPECT_EQ(OrientedImageCache().oriented(picture, orientations[2], true).constBits(),
                  during.constBits());
    }
}

TEST(OrientedImageCache, newerPreparationSupersedesAndGrayNeedsNone) {
    OrientedImageCache::waitForPreparations();
    OrientedImageCache::dropKeptGray();
    const QImage picture = randomColour(300, 200, QImage::Format_RGB32, false);
    const int before = OrientedImageCache::colourPicturesMadeGray();
    // The first waits for its picture while the turn changes twice.
    OrientedImageCache::prepare(
        [picture] {
            QThread::msleep(50);
            return picture;
        },
        orientations[4]);
    OrientedImageCache::prepare([picture] { return picture; }, orientations[6]);
    OrientedImageCache::prepare([picture] { return picture; }, orientations[7]);
    OrientedImageCache::waitForPreparations();
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
    OrientedImageCache().oriented(picture, orientations[7], true);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);

    // Gray pictures, and turns that are not quarters, are turned by the print.
    const QImage gray = randomGray(300, 200);
    bool asked = false;
    OrientedImageCache::prepare(
        [&asked] {
            asked = true;
            return QImage();
        },
        QTransform().rotate(30));
    OrientedImageCache::prepare([gray] { return gray; }, orientations[3]);
    OrientedImageCache::waitForPreparations();
    EXPECT_FALSE(asked);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
    // The kept colour picture stays for its print.
    OrientedImageCache().oriented(picture, orientations[7], true);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
}

// A photo still being decoded row by row is made gray as its rows come: the
// print then finds the gray of the very pixels the decode gave, to the bit,
// under every turn and mirror. A picture that the decode's owner turned
// afterwards, or a decode that ends early, gets no gray of the rows.
TEST(OrientedImageCache, aPictureDecodingRowByRowIsMadeGrayAsItsRowsCome) {
    OrientedImageCache::waitForPreparations();
    const QByteArray jpeg =
        testpictures::encode(randomColour(389, 203, QImage::Format_RGB32, false), "jpeg", 90);
    for (const QTransform& orientation : orientations) {
        OrientedImageCache::dropKeptGray();
        const int before = OrientedImageCache::colourPicturesMadeGray();
        auto rows = std::make_shared<platform::DecodingRows>();
        std::promise<QImage> decoded;
        std::shared_future<QImage> picture = decoded.get_future().share();
        OrientedImageCache::prepare([picture] { return picture.get(); }, orientation, rows);
        const auto image = platform::ImageDecoder::decode(jpeg, nullptr, rows.get());
        ASSERT_TRUE(image);
        decoded.set_value(image->image);
        OrientedImageCache::waitForPreparations();
        EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
        const QImage printed = OrientedImageCache().oriented(image->image, orientation, true);
        EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
        // Qt's transpose of a gray picture comes back in 32 bits.
        EXPECT_EQ(printed, image->image.convertToFormat(QImage::Format_Grayscale8)
                               .transformed(orientation, Qt::FastTransformation)
                               .convertToFormat(QImage::Format_Grayscale8));
    }

    // Turned after its decode: the rows' gray is not the picture's.
    OrientedImageCache::dropKeptGray();
    auto rows = std::make_shared<platform::DecodingRows>();
    const auto image = platform::ImageDecoder::decode(jpeg, nullptr, rows.get());
    ASSERT_TRUE(image);
    const QImage turned = image->image.transformed(orientations[3]);
    OrientedImageCache::prepare([turned] { return turned; }, orientations[5], rows);
    OrientedImageCache::waitForPreparations();
    EXPECT_EQ(OrientedImageCache().oriented(turned, orientations[5], true),
              turned.convertToFormat(QImage::Format_Grayscale8)
                  .transformed(orientations[5], Qt::FastTransformation));

    // Ended after one band: nothing is kept, and nobody waits for more rows.
    OrientedImageCache::dropKeptGray();
    const int before = OrientedImageCache::colourPicturesMadeGray();
    auto cut = std::make_shared<platform::DecodingRows>();
    QImage partial(389, 203, QImage::Format_RGB32);
    partial.fill(Qt::red);
    cut->start(partial);
    cut->advance(64);
    OrientedImageCache::prepare([] { return QImage(); }, orientations[5], cut);
    cut->finish();
    OrientedImageCache::waitForPreparations();
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray(), before);
}

// While the first window is being drawn, a preparation makes its gray on its
// own thread; the gray is the same to the bit, whether the gate opens before
// the rows are all there, after, or not at all, and a print meanwhile finds it.
TEST(OrientedImageCache, aPreparationWhileTheFirstWindowIsDrawnGivesTheSameGray) {
    OrientedImageCache::waitForPreparations();
    const auto reopen = qScopeGuard([] { platform::FirstFrameGate::open(); });
    const QImage colour = randomColour(389, 203, QImage::Format_RGB32, false);
    const QByteArray jpeg = testpictures::encode(colour, "jpeg", 90);
    const auto decoded = platform::ImageDecoder::decode(jpeg, nullptr);
    ASSERT_TRUE(decoded);
    const QImage picture = decoded->image;
    const QImage expected = picture.convertToFormat(QImage::Format_Grayscale8)
                                .transformed(orientations[1], Qt::FastTransformation)
                                .convertToFormat(QImage::Format_Grayscale8);
    const qsizetype line = picture.bytesPerLine();
    enum class Opens { halfWay, afterwards, never };
    for (const Opens opens : {Opens::halfWay, Opens::afterwards, Opens::never}) {
        SCOPED_TRACE(int(opens));
        platform::FirstFrameGate::close();
        OrientedImageCache::dropKeptGray();
        const int before = OrientedImageCache::colourPicturesMadeGray();
        // The rows come as a decode gives them: two bands, then the rest.
        auto rows = std::make_shared<platform::DecodingRows>();
        // Written through its one writable access, as a decoder writes it.
        QImage decoding(picture.size(), picture.format());
        uchar* const bits = decoding.bits();
        std::memcpy(bits, picture.constBits(), 128 * line);
        rows->start(decoding);
        rows->advance(128);
        OrientedImageCache::prepare([decoding] { return decoding; }, orientations[1], rows);
        if (opens == Opens::halfWay) {
            platform::FirstFrameGate::open();
        }
        std::memcpy(bits + 128 * line, picture.constBits() + 128 * line,
                    (picture.height() - 128) * line);
        rows->advance(picture.height());
        rows->finish();
        if (opens == Opens::afterwards) {
            platform::FirstFrameGate::open();
        }
        const QImage printed = OrientedImageCache().oriented(decoding, orientations[1], true);
        OrientedImageCache::waitForPreparations();
        EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);
        EXPECT_EQ(printed, expected);

        // A whole picture is made gray alike.
        OrientedImageCache::dropKeptGray();
        OrientedImageCache::prepare([picture] { return picture; }, orientations[1]);
        OrientedImageCache::waitForPreparations();
        EXPECT_EQ(OrientedImageCache().oriented(picture, orientations[1], true), expected);
        EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 2);
    }
}

// A request for the rows and the turn of the request under way is that
// request: the decode's rows are made gray once, not again from the first.
// Another turn of the same rows is a request of its own.
TEST(OrientedImageCache, aRequestForTheRowsAndTurnUnderWayIsThatRequest) {
    OrientedImageCache::waitForPreparations();
    OrientedImageCache::dropKeptGray();
    const QImage picture = randomColour(389, 203, QImage::Format_RGB32, false);
    const qsizetype line = picture.bytesPerLine();
    QImage decoding(picture.size(), picture.format());
    uchar* const bits = decoding.bits();
    std::memcpy(bits, picture.constBits(), 64 * line);
    auto rows = std::make_shared<platform::DecodingRows>();
    rows->start(decoding);
    rows->advance(64);
    const int before = OrientedImageCache::colourPicturesMadeGray();
    std::atomic<int> firstAsked = 0;
    std::atomic<int> againAsked = 0;
    OrientedImageCache::prepare(
        [decoding, &firstAsked] {
            ++firstAsked;
            return decoding;
        },
        orientations[6], rows);
    OrientedImageCache::prepare(
        [decoding, &againAsked] {
            ++againAsked;
            return decoding;
        },
        orientations[6], rows);
    std::memcpy(bits + 64 * line, picture.constBits() + 64 * line, (picture.height() - 64) * line);
    rows->advance(picture.height());
    rows->finish();
    OrientedImageCache::waitForPreparations();
    EXPECT_EQ(againAsked, 0);
    EXPECT_EQ(firstAsked, 1);
    EXPECT_EQ(OrientedImageCache::colourPicturesMadeGray() - before, 1);

    OrientedImageCache::prepare([decoding] { return decoding; }, orientations[5], rows);
    OrientedImageCache::waitForPreparations();
    EXPECT_EQ(OrientedImageCache().oriented(decoding, orientations[5], true),
              picture.convertToFormat(QImage::Format_Grayscale8)
                  .transformed(orientations[5], Qt::FastTransformation)
                  .convertToFormat(QImage::Format_Grayscale8));
}
