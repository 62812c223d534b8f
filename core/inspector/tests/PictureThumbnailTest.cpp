#include "core/canvas/GridViewImageView.h"
#include "core/document/application/DocumentActions.h"
#include "core/document/job/ConversionOptionTable.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/tests/InspectorTestSupport.h"
#include "platform/UserDefaults.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kestrom;
using ambrel::ImageRotation;

namespace {

enum Corner { TL, TR, BL, BR };

// 40 x 20 px, white, with a black 10 px square in its top-left corner and a
// mid-gray one in its top-right corner: together they tell every turn and
// mirror apart.
QImage markedUpright() {
    QImage image(40, 20, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            image.scanLine(y)[x] = 0;
            image.scanLine(y)[30 + x] = 128;
        }
    }
    return image;
}

ambrel::OriginalImage::Pointer asPicture(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ambrel::OriginalImage::fromData(png, QUrl::fromLocalFile(QStringLiteral("/tmp/m.png")));
}

// The gray level at the middle of each 10 px corner square of an image.
QList<int> cornerGrays(const QImage& image) {
    const int r = image.width() - 5;
    const int b = image.height() - 5;
    QList<int> grays;
    for (const QPoint p : {QPoint(5, 5), QPoint(r, 5), QPoint(5, b), QPoint(r, b)}) {
        grays << qGray(image.pixel(p));
    }
    return grays; // in the order TL, TR, BL, BR
}

struct TurnCase {
    int rightTurns;
    bool mirror;
    Corner black; // where the picture's top-left corner is shown
    Corner gray;  // where its top-right corner is shown
};

} // namespace

// The picture box shows the picture turned and mirrored as the canvas and
// the print show it: a right turn carries the top-left corner to the top
// right, and mirroring reflects the picture before it is turned.
TEST(PictureThumbnail, turnsAndMirrorsAsTheCanvasShowsThePicture) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("d.plist")));
    const QImage upright = markedUpright();
    PrintDocument document;
    document.setDeviceDescriptor(test::model());
    document.setOriginalImage(asPicture(upright));
    ASSERT_TRUE(document.originalImage());

    const QList<TurnCase> cases{
        {0, false, TL, TR}, {0, true, TR, TL}, {1, false, TR, BR},  {1, true, BR, TR},
        {2, false, BR, BL}, {2, true, BL, BR}, {-1, false, BL, TL}, {-1, true, TL, BL},
    };
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "right turns " << c.rightTurns << " mirror " << c.mirror);
        document.setImageOrientation(ImageRotation::none);
        for (int turn = 0; turn < std::abs(c.rightTurns); ++turn) {
            if (c.rightTurns > 0) {
                DocumentActions::rotateRight(document);
            } else {
                DocumentActions::rotateLeft(document);
            }
        }
        document.setFlipsImageHorizontal(c.mirror);
        const ImageRotation orientation = document.imageOrientation();
        const bool turned = orientation.isWidthHeightFlipped();

        const QImage thumbnail =
            InspectorPaneViewController_Image::originalImageThumbnail(document, QSize(40, 40));
        ASSERT_EQ(thumbnail.size(), turned ? QSize(20, 40) : QSize(40, 20));
        QList<int> expected{255, 255, 255, 255};
        expected[c.black] = 0;
        expected[c.gray] = 128;
        const QList<int> shown = cornerGrays(thumbnail);
        for (int corner = 0; corner < 4; ++corner) {
            EXPECT_NEAR(shown[corner], expected[corner], 8) << "corner " << corner;
        }
        // The canvas's own turning of the picture agrees.
        const QList<int> canvas =
            cornerGrays(GridViewImageView::orientedImage(upright, orientation, c.mirror));
        EXPECT_EQ(canvas, expected);
    }
}

// The small picture the pane shows once made from the print's dots: black
// where the print is black, turned and mirrored as printed.
TEST(PictureThumbnail, theSmallPictureFromThePrintsDotsIsBlackWhereThePrintIs) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("d.plist")));
    PrintDocument document;
    document.setDeviceDescriptor(test::model());
    document.setOriginalImage(asPicture(markedUpright()));
    document.setImageSize_px({40, 20});
    DocumentActions::rotateRight(document);
    document.setFlipsImageHorizontal(true);
    const QString threshold =
        ConversionOptionTable::optionPath(&ambrel::BlackConversionThresholdOption::threshold);
    // One pixel a dot: the marks' dots themselves. The gray mark prints
    // black under a threshold above its gray and white under one below.
    for (const auto& [level, grayMark] : {std::pair{0.6, 0}, std::pair{0.4, 255}}) {
        document.setValueForKeyPath(threshold, level);
        const auto make =
            InspectorPaneViewController_Image::printedThumbnailMaker(document, QSize(20, 40));
        ASSERT_TRUE(make);
        const QImage printed = make();
        ASSERT_EQ(printed.size(), QSize(20, 40));
        // Turned right and mirrored: the black mark at the bottom right, the
        // gray one at the top right.
        EXPECT_EQ(cornerGrays(printed), (QList<int>{255, grayMark, 255, 0})) << level;
    }
    // A full-colour model shows the picture itself.
    document.setDeviceDescriptor(test::model(R"("colorAbility": "fullColor")"));
    EXPECT_FALSE(InspectorPaneViewController_Image::printedThumbnailMaker(document, QSize(20, 40)));
}
