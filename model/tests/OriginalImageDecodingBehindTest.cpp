#include "model/pictures/FullDecode.h"
#include "model/pictures/OriginalImage.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/tests/support/TestPictures.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <utility>

using ambrel::FullDecode;
using ambrel::ImageRotation;
using ambrel::OriginalImage;
using ambrel::Size_px;
namespace tp = testpictures;

namespace {

// A photo-like 1600 x 1000 picture with a mark near one corner, so that a
// turn shows in the pixels.
QImage photo() {
    QImage image(1600, 1000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[x] = qRgb(x * 255 / 1600, y * 255 / 1000, (x + y) % 256);
        }
    }
    for (int y = 40; y < 240; ++y) {
        for (int x = 40; x < 240; ++x) {
            image.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    return image;
}

QUrl url() {
    return QUrl::fromLocalFile(QStringLiteral("/tmp/photo.jpg"));
}

// The picture drawn as the print draws it.
QImage drawn(const OriginalImage& picture, ImageRotation orientation, bool flip) {
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::gray8, 250, 160);
    context->setGrayFillColor(1.0, 1.0);
    context->fill(QRectF(0, 0, 250, 160));
    picture.draw(QRectF(0, 0, 250, 160), orientation, flip, *context, false);
    return context->makeImage();
}

} // namespace

// Decoded first at the bound, the picture is measured, turned and drawn as
// the same bytes decoded whole: every pixel a print or a package reads comes
// from the whole decode, bit for bit.
TEST(OriginalImageDecodingBehind, theWholePictureIsTheOneDecodedAtOnce) {
    for (const int orientation : {1, 6}) {
        SCOPED_TRACE(orientation);
        const QByteArray bytes = tp::jpegWithOrientation(photo(), orientation);
        const auto whole = OriginalImage::fromData(bytes, url());
        // The whole decode starts at once beside the small one; it is held
        // until the small one has been looked at.
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        FullDecode::setHookForTesting([released] {
            released.wait();
            return true;
        });
        bool held = true;
        const auto letGo = [&] {
            if (std::exchange(held, false)) {
                release.set_value();
                FullDecode::setHookForTesting({});
            }
        };
        const auto restore = qScopeGuard(letGo);
        const auto quick = OriginalImage::fromDataDecodingBehind(bytes, url(), QSize(400, 400));
        ASSERT_TRUE(whole && quick);
        EXPECT_FALSE(quick->isFullyDecoded());
        EXPECT_EQ(quick->data(), bytes);
        EXPECT_EQ(quick->fileURL(), url());
        EXPECT_EQ(quick->imageOriginalSizeInfo(), whole->imageOriginalSizeInfo());
        EXPECT_EQ(quick->widthPerHeight(), whole->widthPerHeight());
        EXPECT_TRUE(quick->isSameSize(whole.get()));
        EXPECT_FALSE(quick->isVector());
        // The smaller decode stands upright, as the whole one.
        const QImage small = quick->scaledDecode();
        ASSERT_FALSE(small.isNull());
        EXPECT_EQ(small.width() > small.height(),
                  whole->cgImage()->width() > whole->cgImage()->height());
        EXPECT_LE(small.width(), whole->cgImage()->width() / 2);

        letGo();
        // The print's drawing asks for the pixels and gets the whole ones.
        EXPECT_EQ(drawn(*quick, ImageRotation::r90, true), drawn(*whole, ImageRotation::r90, true));
        EXPECT_TRUE(quick->isFullyDecoded());
        // The smaller decode is let go; the screen draws the whole picture.
        EXPECT_TRUE(quick->scaledDecode().isNull());
        ASSERT_TRUE(quick->cgImage());
        EXPECT_EQ(*quick->cgImage(), *whole->cgImage());
    }
}

// Where decoding small gains nothing there is no such picture: the caller
// decodes the bytes whole, as before.
TEST(OriginalImageDecodingBehind, onlyLargeJpegsAreDecodedSmallFirst) {
    const QImage image = photo();
    EXPECT_FALSE(
        OriginalImage::fromDataDecodingBehind(tp::encode(image, "png"), url(), {400, 400}));
    const QByteArray jpeg = tp::encode(image, "jpeg", 90);
    EXPECT_FALSE(OriginalImage::fromDataDecodingBehind(jpeg, url(), {1000, 1000}));
    EXPECT_FALSE(OriginalImage::fromDataDecodingBehind(jpeg, url(), {}));
    EXPECT_FALSE(
        OriginalImage::fromDataDecodingBehind(jpeg.left(jpeg.size() - 100), url(), {400, 400}));
    EXPECT_FALSE(OriginalImage::fromDataDecodingBehind({}, url(), {400, 400}));
}

// A package's thumbnail (a JPEG of one scan of the same upright picture)
// shows meanwhile where it decodes to the bound with less work than the
// picture: beside a progressive picture, whose decode at any scale reads
// every scan, or one of more bytes. Of another size, or where it takes
// more, the picture's own smaller decode shows. The whole picture is the
// picture's own either way.
TEST(OriginalImageDecodingBehind, aQuickerStandInShowsWhileThePictureDecodes) {
    const QImage image = photo();
    const QSize bound(400, 400);
    const QByteArray progressive = tp::libraryJpeg(image, {.quality = 92, .progressive = true});
    const QByteArray baseline = tp::encode(image, "jpeg", 95);
    const QByteArray thumbnail = tp::encode(image, "jpeg", 80);
    const QByteArray otherSize = tp::encode(image.scaled(1600, 900), "jpeg", 80);
    const auto small = [&bound](const QByteArray& bytes) {
        const auto scaled = platform::ImageDecoder::decodeScaled(bytes, bound);
        return scaled ? scaled->decoded.image : QImage();
    };
    const struct {
        const char* what;
        QByteArray picture;
        QByteArray standIn;
        bool shows;
    } cases[] = {
        {"beside a progressive picture", progressive, thumbnail, true},
        {"of fewer bytes", baseline, thumbnail, true},
        {"of another size", progressive, otherSize, false},
        {"progressive itself", thumbnail, progressive, false},
        {"of more bytes", thumbnail, baseline, false},
    };
    // The whole decode is held until what shows has been looked at.
    const auto opened = [&bound](const QByteArray& picture, std::optional<QByteArray> standIn,
                                 int& asked) {
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        FullDecode::setHookForTesting([released] {
            released.wait();
            return true;
        });
        const auto letGo = qScopeGuard([&release] {
            release.set_value();
            FullDecode::setHookForTesting({});
        });
        const auto quick =
            OriginalImage::fromDataDecodingBehind(picture, url(), bound, nullptr, {}, [&] {
                ++asked;
                return standIn;
            });
        return std::pair(quick, quick ? quick->scaledDecode() : QImage());
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int asked = 0;
        const auto [quick, shown] = opened(c.picture, c.standIn, asked);
        ASSERT_TRUE(quick);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(shown, small(c.shows ? c.standIn : c.picture));
        EXPECT_TRUE(quick->decodeFully());
        ASSERT_TRUE(quick->cgImage());
        EXPECT_EQ(*quick->cgImage(), platform::ImageDecoder::decode(c.picture)->image);
    }
    // Without its bytes, the picture's own.
    int asked = 0;
    const auto [own, shown] = opened(progressive, std::nullopt, asked);
    ASSERT_TRUE(own);
    EXPECT_EQ(shown, small(progressive));
}

// The whole pixels are decoded once: by the worker that starts it, while a
// print that needs them waits instead of decoding again; the callbacks run
// once they are there.
TEST(OriginalImageDecodingBehind, aSecondAskerWaitsForTheDecodeUnderWay) {
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> decodes = 0;
    FullDecode::setHookForTesting([&] {
        if (decodes++ == 0) {
            started.set_value();
            released.wait();
        }
        return true;
    });
    const auto restore = qScopeGuard([] { FullDecode::setHookForTesting({}); });
    const auto quick = OriginalImage::fromDataDecodingBehind(tp::encode(photo(), "jpeg", 90), url(),
                                                             QSize(300, 300));
    ASSERT_TRUE(quick);
    std::atomic<int> told = 0;
    quick->whenFullyDecoded([&] { ++told; });

    std::thread worker([&] { EXPECT_TRUE(quick->decodeFully()); });
    started.get_future().wait();
    auto print = std::async(std::launch::async, [&] { return quick->cgImage()->size(); });
    EXPECT_EQ(print.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_FALSE(quick->isFullyDecoded());
    EXPECT_EQ(told, 0);
    release.set_value();
    EXPECT_EQ(print.get(), QSize(1600, 1000));
    worker.join();
    EXPECT_EQ(decodes, 1);
    // The callbacks run on the decoding thread once it has told the waiters.
    for (int i = 0; i < 30000 && told == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(told, 1);
    // Once there, a callback runs at once.
    quick->whenFullyDecoded([&] { ++told; });
    EXPECT_EQ(told, 2);
}

// Whole pixels that do not come (as when memory runs out) are none: the print
// draws nothing rather than the smaller decode, and the importer hears of it.
TEST(OriginalImageDecodingBehind, aFailedWholeDecodeLeavesNoPixelsAndNeverTheSmallOnes) {
    FullDecode::setHookForTesting([] { return false; });
    const auto restore = qScopeGuard([] { FullDecode::setHookForTesting({}); });
    const auto quick = OriginalImage::fromDataDecodingBehind(tp::encode(photo(), "jpeg", 90), url(),
                                                             QSize(300, 300));
    ASSERT_TRUE(quick);
    EXPECT_FALSE(quick->decodeFully());
    EXPECT_TRUE(quick->isFullyDecoded());
    EXPECT_FALSE(quick->cgImage());
    const QImage page = drawn(*quick, ImageRotation::none, false);
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            ASSERT_EQ(qGray(page.pixel(x, y)), 255) << x << "," << y;
        }
    }
}
