#include "CanvasTestSupport.h"

#include "core/canvas/GridViewImageView.h"
#include "model/pictures/FullDecode.h"

#include "platform/tests/support/TestPictures.h"

#include <QGraphicsScene>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace kestrom;
using ambrel::FullDecode;
using ambrel::OriginalImage;
using kestrom::testing::waitForPreview;

namespace {

// A 2400 x 1600 photo-like JPEG: a gray ramp from white to black across,
// with a black block, so that both conversions have edges and tones.
QByteArray rampJpeg() {
    QImage image(2400, 1600, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int v = 255 - x * 255 / 2399;
            row[x] = (x > 300 && x < 700 && y > 300 && y < 700) ? qRgb(0, 0, 0)
                                                                : qRgb(v, v, (v + 40) % 256);
        }
    }
    return testpictures::encode(image, "jpeg", 92);
}

std::shared_ptr<const CurrentBlackConversionReadonlyWrapper>
conversion(const ambrel::BlackConversion& c) {
    return std::make_shared<CurrentBlackConversionReadonlyWrapper>(c);
}

// The view's tiles pieced together into one picture of the view.
QImage shown(const GridViewImageView& view) {
    const QSizeF size = view.bounds().size();
    QImage picture(size.toSize(), QImage::Format_Grayscale8);
    picture.fill(128);
    QPainter painter(&picture);
    for (const auto& tile : view.tileViews()) {
        painter.drawPixmap(tile.frame.topLeft(), tile.contents);
    }
    return picture;
}

// The share of the view's points whose black or white differs.
double differingShare(const QImage& a, const QImage& b) {
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            differing += (a.constScanLine(y)[x] < 128) != (b.constScanLine(y)[x] < 128);
        }
    }
    return double(differing) / double(a.width() * a.height());
}

// The largest difference of the share of black over blocks of the side.
double largestToneDifference(const QImage& a, const QImage& b, int side) {
    double largest = 0;
    for (int by = 0; by + side <= a.height(); by += side) {
        for (int bx = 0; bx + side <= a.width(); bx += side) {
            int blackA = 0, blackB = 0;
            for (int y = by; y < by + side; ++y) {
                for (int x = bx; x < bx + side; ++x) {
                    blackA += a.constScanLine(y)[x] < 128;
                    blackB += b.constScanLine(y)[x] < 128;
                }
            }
            largest = std::max(largest, std::abs(blackA - blackB) / double(side * side));
        }
    }
    return largest;
}

class ScaledDecodePreview : public ::testing::Test {
protected:
    void SetUp() override {
        scene.addItem(quickView);
        scene.addItem(wholeView);
        FullDecode::setHookForTesting([this] {
            released.wait();
            return true;
        });
    }
    void TearDown() override {
        release();
        if (worker.joinable()) {
            worker.join();
        }
        FullDecode::setHookForTesting({});
    }
    void release() {
        if (!releasedOnce) {
            releasedOnce = true;
            releasePromise.set_value();
        }
    }

    // Shows the picture in both views, the one decoded small first (its
    // whole pixels held back until release()) and the one decoded whole.
    void show(const ambrel::BlackConversion& c) {
        const QByteArray bytes = rampJpeg();
        quick = OriginalImage::fromDataDecodingBehind(bytes, {}, QSize(300, 200));
        const auto whole = OriginalImage::fromData(bytes, {});
        ASSERT_TRUE(quick && whole);
        for (GridViewImageView* view : {quickView, wholeView}) {
            view->setBlackConversion(conversion(c));
            view->setFrame(QRectF(0, 0, 300, 200));
        }
        quickView->setOriginalImage(quick);
        wholeView->setOriginalImage(whole);
        // The importer's worker decodes the whole pixels.
        worker = std::thread([picture = quick] { picture->decodeFully(); });
        ASSERT_TRUE(waitForPreview(*wholeView));
        ASSERT_TRUE(QTest::qWaitFor([&] { return allTilesShown(*quickView); }, 10000));
    }

    static bool allTilesShown(const GridViewImageView& view) {
        return !view.tileViews().isEmpty() &&
               std::all_of(view.tileViews().begin(), view.tileViews().end(),
                           [](const auto& tile) { return !tile.contents.isNull(); });
    }

    // Lets the whole pixels come and waits for the tiles drawn from them.
    void finishWholeDecode() {
        release();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !quickView->showsScaledDecode() && !quickView->hasPendingDrawing() &&
                       allTilesShown(*quickView);
            },
            10000));
    }

    QGraphicsScene scene;
    GridViewImageView* quickView = new GridViewImageView;
    GridViewImageView* wholeView = new GridViewImageView;
    OriginalImage::Pointer quick;
    std::promise<void> releasePromise;
    std::shared_future<void> released = releasePromise.get_future().share();
    bool releasedOnce = false;
    std::thread worker;
};

} // namespace

// While the whole pixels are still being decoded, the tiles come from the
// smaller decode, thresholded as the whole preview is: the same black and
// white but for points along the edges. Then the whole preview's tiles
// replace them, the same as those of the picture decoded whole.
TEST_F(ScaledDecodePreview, thresholdTilesShowFirstAndAreReplacedByTheWholePreviews) {
    show(ambrel::BlackConversion::threshold({0.5, 0}));
    EXPECT_TRUE(quickView->showsScaledDecode());
    EXPECT_FALSE(quick->isFullyDecoded());
    EXPECT_FALSE(quickView->thumbnail().isNull());
    const QImage first = shown(*quickView);
    const QImage today = shown(*wholeView);
    EXPECT_LT(differingShare(first, today), 0.01);

    // Tiles of a new size meanwhile still come from the smaller preview.
    quickView->setFrame(QRectF(0, 0, 320, 210));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !quickView->hasPendingDrawing() && allTilesShown(*quickView); }, 10000));
    EXPECT_TRUE(quickView->showsScaledDecode());
    EXPECT_FALSE(quick->isFullyDecoded());
    quickView->setFrame(QRectF(0, 0, 300, 200));

    finishWholeDecode();
    EXPECT_TRUE(quick->isFullyDecoded());
    EXPECT_EQ(shown(*quickView), today);
}

// A halftone screen of the smaller preview has cells of the same size on the
// screen as the whole preview's, so every part of the picture is as dark as
// it will be; the dots themselves lie on the coarser grid.
TEST_F(ScaledDecodePreview, halftoneTilesShowTheSameTonesBeforeTheWholePreviewReplacesThem) {
    show(ambrel::BlackConversion::halftone({60, 45.0, 0, 0, 0}));
    EXPECT_TRUE(quickView->showsScaledDecode());
    const QImage first = shown(*quickView);
    const QImage today = shown(*wholeView);
    EXPECT_LT(largestToneDifference(first, today, 25), 0.12);

    finishWholeDecode();
    EXPECT_EQ(shown(*quickView), today);
}
