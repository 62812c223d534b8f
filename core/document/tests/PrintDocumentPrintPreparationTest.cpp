#include "core/document/tests/DocumentTestSupport.h"

#include "platform/UndoManager.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/tests/support/TestPictures.h"

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;
using platform::OrientedImageCache;

namespace {

using PrintPreparationTest = DocumentTest;

OriginalImage::Pointer colourPhoto() {
    QImage image(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x * 2, y * 3, (x + y) % 256));
        }
    }
    return OriginalImage::fromData(testpictures::encode(image, "png"),
                                   QUrl::fromLocalFile(QStringLiteral("/tmp/photo.png")));
}

// Colour pictures made gray since last, once the preparations are done.
int madeSince(int& last) {
    OrientedImageCache::waitForPreparations();
    const int now = OrientedImageCache::colourPicturesMadeGray();
    const int made = now - last;
    last = now;
    return made;
}

// A colour picture is prepared once when it arrives, again when its turn or
// mirror changes or an undo or redo brings another state back; a gray one,
// and a change that leaves the print's turn alone, never.
TEST_F(PrintPreparationTest, colourPicturesArePreparedOncePerTurn) {
    OrientedImageCache::waitForPreparations();
    OrientedImageCache::dropKeptGray();
    int last = OrientedImageCache::colourPicturesMadeGray();
    PrintDocument document;
    const auto photo = colourPhoto();
    ASSERT_TRUE(photo);
    document.setOriginalImage(photo);
    endEvent();
    EXPECT_EQ(madeSince(last), 1);
    document.setImageOffset_mm({3, 4});
    document.setImageRepeatXCount(2);
    endEvent();
    EXPECT_EQ(madeSince(last), 0);

    document.setImageOrientation(ImageRotation::r90);
    EXPECT_EQ(madeSince(last), 1);
    endEvent();
    document.setImageOrientation(ImageRotation::r90);
    EXPECT_EQ(madeSince(last), 0);
    document.setFlipsImageHorizontal(true);
    endEvent();
    EXPECT_EQ(madeSince(last), 1);

    document.undoManager()->undo(); // the mirror
    EXPECT_EQ(madeSince(last), 1);
    document.undoManager()->redo();
    EXPECT_EQ(madeSince(last), 1);

    document.setOriginalImage(picture(40, 30));
    EXPECT_EQ(madeSince(last), 0);
    document.setImageOrientation(ImageRotation::r180);
    EXPECT_EQ(madeSince(last), 0);
}

// The model's print is readied (its page memory, in the device plug-in) once
// the document has a picture to print, and again for another model; a
// document without a picture asks for nothing.
TEST_F(PrintPreparationTest, aPictureReadiesItsModelsPrint) {
    PrintDocument document;
    document.setDeviceDescriptor(model(cedarName));
    document.setDeviceDescriptor(model(alderName));
    const int alpha = printPreparations(alderName);
    const int beta = printPreparations(cedarName);
    document.setImageOrientation(ImageRotation::r90);
    EXPECT_EQ(printPreparations(alderName), alpha);

    document.setOriginalImage(picture(40, 30));
    EXPECT_GT(printPreparations(alderName), alpha);
    document.setDeviceDescriptor(model(cedarName));
    EXPECT_GT(printPreparations(cedarName), beta);

    const int later = printPreparations(cedarName);
    document.setOriginalImage(nullptr);
    document.setDeviceDescriptor(model(alderName));
    document.setDeviceDescriptor(model(cedarName));
    EXPECT_EQ(printPreparations(cedarName), later);
}

} // namespace
