#include "CanvasTestSupport.h"

#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/GridViewImageSelectionView.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::testing;

// Draws the canvas as the screen shows it, at scale factors 1 and 2. With
// LUNVIK_SCREENSHOT_DIR set, the pictures are written there as PNG files
// for review ("canvas-<scene>@<scale>x.png").
namespace {

class GridViewScreenshot : public ::testing::Test {
protected:
    void SetUp() override {
        // 300 x 200 mm shown 600 x 400 points.
        view.resize(632, 432);
        view.setPrintableSize_mm({300, 200});
        view.setCanvasEnabled(true);
        view.setImageIsResizable(true);
        view.setImageOffsetBase(QStringLiteral("topLeft"));
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QImage shoot(const QString& name, double scale) {
        // The preview is drawn in the background at the scale shown.
        view.setBackingScaleFactorOverride(scale);
        view.layout();
        EXPECT_TRUE(waitForPreview(*view.imageView()));
        const QImage image = view.renderImage(scale);
        const QString dir = qEnvironmentVariable("LUNVIK_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            image.save(
                QDir(dir).filePath(QStringLiteral("canvas-%1@%2x.png").arg(name).arg(scale)));
        }
        return image;
    }

    // The pixel at a point of the canvas (in points) of a picture drawn at a scale.
    static QColor pixel(const QImage& image, double scale, QPointF canvasPoint) {
        const QPointF p = (canvasPoint + QPointF(16, 16)) * scale;
        return image.pixelColor(int(std::floor(p.x())), int(std::floor(p.y())));
    }

    void placeRepeatedPicture() {
        view.setOriginalImage(makePicture(600, 400));
        view.setImageSizeForDisplay_mm({60, 40});
        view.setImageOffset_mm({20, 30});
        view.setImageRepeatXCount(3);
        view.setImageRepeatYCount(2);
        view.setImageRepeatXMargin_mm(10);
        view.setImageRepeatYMargin_mm(5);
    }

    GridView view;
};

} // namespace

TEST_F(GridViewScreenshot, emptyCanvasWithItsGridAndDropPrompt) {
    for (const double scale : {1.0, 2.0}) {
        const QImage image = shoot(QStringLiteral("empty"), scale);
        // A minor line at 5 mm (10 points) is one device pixel wide.
        const QColor line = pixel(image, scale, {10.1, 101});
        EXPECT_LT(line.red(), 200) << scale;
        EXPECT_EQ(pixel(image, scale, {10 - 0.6 / scale, 101}).red(), 255) << scale;
        EXPECT_EQ(pixel(image, scale, {10 + 1.1 / scale, 101}).red(), 255) << scale;
        // The major line at 50 mm is darker.
        EXPECT_LT(pixel(image, scale, {100.1, 101}).red(), line.red()) << scale;
    }
}

TEST_F(GridViewScreenshot, repeatedPictureSelectedAndReachingBeyondTheCanvas) {
    placeRepeatedPicture();
    view.setColorAbility(QStringLiteral("fullColor"));
    view.setImageOffset_mm({110, 30}); // three copies of 60 mm from 110 mm reach past 300
    view.layoutSubtreeIfNeeded();
    const QPoint inside = view.viewportPoint({260, 100});
    sendMouse(view.viewport(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(view.imageSelectionView()->isSelected());
    for (const double scale : {1.0, 2.0}) {
        const QImage image = shoot(QStringLiteral("repeats-selected-overflow"), scale);
        // The red corner of the first and of the third copy, in both rows,
        // lighter while the picture is selected.
        for (const QPointF p :
             {QPointF(225, 65), QPointF(225 + 140, 65), QPointF(225 + 140, 65 + 90)}) {
            const QColor c = pixel(image, scale, p);
            EXPECT_GT(c.red(), c.green() + 50) << scale << " " << p.x() << " " << p.y();
        }
        EXPECT_EQ(pixel(image, scale, {225, 65}), pixel(image, scale, {225 + 140, 65 + 90}))
            << scale;
        // Beyond the right edge the copies are cut off and only the tint shows.
        const QColor beyond = pixel(image, scale, {608, 100});
        const QColor window = pixel(image, scale, {608, 300});
        EXPECT_NE(beyond, window) << scale;
        EXPECT_NE(beyond, QColor(200, 60, 60)) << scale;
    }
}

// A selected picture is drawn once at 0.7 alpha: black over white reads
// 255 x 0.3, on the picture itself and on each of its copies.
TEST_F(GridViewScreenshot, aSelectedBlackPictureIsDimmedOnceAndSoAreItsCopies) {
    QImage black(600, 400, QImage::Format_RGB32);
    black.fill(Qt::black);
    for (const bool repeated : {false, true}) {
        SCOPED_TRACE(repeated);
        view.setOriginalImage(ambrel::OriginalImage::fromImage(black, {}, {}, 1));
        view.setImageSizeForDisplay_mm({60, 40});
        view.setImageOffset_mm({20, 30});
        view.setImageRepeatXCount(repeated ? 3 : 1);
        view.setImageRepeatYCount(repeated ? 2 : 1);
        view.setImageRepeatXMargin_mm(10);
        view.setImageRepeatYMargin_mm(5);
        view.layoutSubtreeIfNeeded();
        const QPoint inside = view.viewportPoint({100, 100});
        sendMouse(view.viewport(), QEvent::MouseButtonPress, inside, Qt::LeftButton,
                  Qt::LeftButton);
        sendMouse(view.viewport(), QEvent::MouseButtonRelease, inside, Qt::LeftButton,
                  Qt::NoButton);
        ASSERT_TRUE(view.imageSelectionView()->isSelected());
        for (const double scale : {1.0, 2.0}) {
            const QImage image = shoot(QStringLiteral("selected-black"), scale);
            for (int i = 0; i < (repeated ? 3 : 1); ++i) {
                for (int j = 0; j < (repeated ? 2 : 1); ++j) {
                    // Points of the copy (120 x 80 points from (40 + 140 i,
                    // 60 + 90 j)) away from its handles and between the grid's
                    // lines (every 10 points), where the canvas is white.
                    for (const QPointF at : {QPointF(35, 25), QPointF(65, 45), QPointF(95, 65)}) {
                        const QPointF p = at + QPointF(40 + 140 * i, 60 + 90 * j);
                        const int gray = qGray(pixel(image, scale, p).rgb());
                        EXPECT_NEAR(gray, 77, 3) << scale << " copy " << i << "," << j;
                    }
                }
            }
        }
    }
}

TEST_F(GridViewScreenshot, halftonePreviewOfAGradient) {
    QImage gradient(1200, 800, QImage::Format_RGB32);
    {
        QPainter p(&gradient);
        QLinearGradient g(0, 0, 1200, 0);
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, Qt::black);
        p.fillRect(gradient.rect(), g);
        p.setPen(QPen(Qt::black, 24));
        p.drawEllipse(QRect(300, 150, 600, 500));
    }
    view.setOriginalImage(ambrel::OriginalImage::fromImage(gradient, {}, {}, 1));
    view.setImageSizeForDisplay_mm({240, 160});
    view.setImageOffset_mm({30, 20});
    // On screen the halftone shows its levels and gamma; the screen itself
    // is left to the print.
    view.setBlackConversion(std::make_shared<CurrentBlackConversionReadonlyWrapper>(
        ambrel::BlackConversion::halftone({20, 30, 0, 0.3, 0.3})));
    for (const double scale : {1.0, 2.0}) {
        const QImage image = shoot(QStringLiteral("halftone-preview"), scale);
        // The picture spans x 60 to 540 points; its lightest and darkest
        // thirds are clamped to white and black, the middle stays gray.
        EXPECT_EQ(qGray(pixel(image, scale, {60 + 48, 330}).rgb()), 255) << scale;
        EXPECT_EQ(qGray(pixel(image, scale, {540 - 48, 330}).rgb()), 0) << scale;
        const int middle = qGray(pixel(image, scale, {300, 330}).rgb());
        EXPECT_GT(middle, 60) << scale;
        EXPECT_LT(middle, 200) << scale;
    }
}

TEST_F(GridViewScreenshot, thresholdPreviewIsBlackAndWhite) {
    view.setOriginalImage(makePicture(600, 400));
    view.setImageSizeForDisplay_mm({120, 80});
    view.setImageOffset_mm({20, 30});
    view.setImageRepeatXCount(2);
    view.setImageRepeatXMargin_mm(10);
    for (const double scale : {1.0, 2.0}) {
        const QImage image = shoot(QStringLiteral("threshold-preview"), scale);
        // The red corner is darker than one half: black.
        EXPECT_EQ(qGray(pixel(image, scale, {60, 80}).rgb()), 0) << scale;
        EXPECT_EQ(qGray(pixel(image, scale, {60 + 260, 80}).rgb()), 0) << scale;
        EXPECT_EQ(qGray(pixel(image, scale, {150, 110}).rgb()), 255) << scale;
    }
}

TEST_F(GridViewScreenshot, bottomRightAnchorWithSequencesAndOffsetLines) {
    placeRepeatedPicture();
    view.setImageOffsetBase(QStringLiteral("bottomRight"));
    view.setImageOffset_mm({15, 10});
    view.setSplittedImageSourceRects_mm({{{0, 0}, {120, 200}}, {{120, 0}, {120, 200}}});
    view.setShowsOffsetLines(true);
    view.layoutSubtreeIfNeeded();
    for (const double scale : {1.0, 2.0}) {
        const QImage image = shoot(QStringLiteral("bottom-right-sequences-lines"), scale);
        // The offset line at 15 mm from the right edge: red, two points wide.
        const QColor line = pixel(image, scale, {600 - 30, 5});
        EXPECT_GT(line.red(), 150) << scale;
        EXPECT_LT(line.green(), 100) << scale;
    }
}

TEST_F(GridViewScreenshot, scaledToFitAfterLoadingShowsOnlyTheNewFrame) {
    // A wide picture first shown small in the middle, its tiles delivered,
    // then scaled to the canvas's width as Scale to Fit does: size and place
    // land on separate turns of the event loop.
    view.setOriginalImage(makePicture(600, 300));
    view.setImageSizeForDisplay_mm({50, 25});
    view.setImageOffset_mm({125, 87.5});
    const double scale = 1.0;
    shoot(QStringLiteral("before-fit"), scale);
    GridViewImageView* picture = view.imageView();
    ASSERT_FALSE(picture->tileViews().isEmpty());
    view.setImageSizeForDisplay_mm({300, 150});
    QCoreApplication::processEvents();
    view.setImageOffset_mm({0, 25});
    QCoreApplication::processEvents();
    const QImage image = shoot(QStringLiteral("after-fit"), scale);

    // The picture spans 600 x 300 points from 50 points down; its tiles are
    // laid out over that frame and all of them are drawn.
    EXPECT_EQ(picture->bounds().size(), QSizeF(600, 300));
    QList<QRectF> frames;
    for (const GridViewImageView::TileView& tile : picture->tileViews()) {
        frames.append(tile.frame);
        EXPECT_FALSE(tile.contents.isNull());
    }
    EXPECT_EQ(frames,
              GridViewImageView::tileFrames(picture->bounds().size(), picture->visibleArea()));
    // Nothing of the picture above or below its frame, where the small one's
    // tiles would have been drawn stretched or left behind.
    for (double x = 5; x < 600; x += 10) {
        for (const double y : {5.0, 45.0, 355.0, 395.0}) {
            EXPECT_GT(qGray(pixel(image, scale, {x, y}).rgb()), 150) << x << " " << y;
        }
    }
    // Inside it, the dark corner (a quarter of the picture) and the white
    // field below the diagonal, where the small picture used to show.
    EXPECT_EQ(qGray(pixel(image, scale, {70, 90}).rgb()), 0);
    EXPECT_EQ(qGray(pixel(image, scale, {130, 110}).rgb()), 0);
    EXPECT_EQ(qGray(pixel(image, scale, {300, 250}).rgb()), 255);
    EXPECT_EQ(qGray(pixel(image, scale, {450, 300}).rgb()), 255);
}
