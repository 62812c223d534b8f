#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/job/UndoPicture.h"
#include "platform/UndoManager.h"

#include <QImage>

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;
using kestrom::UndoPicture;

namespace {

class UndoPictureTest : public DocumentTest {};

TEST_F(UndoPictureTest, aReplacedPictureIsKeptAsItsFileBytesAndDecodedAgainOnUndo) {
    PrintDocument document;
    platform::UndoManager& undo = *document.undoManager();
    // 2000 x 1500 gray pixels are 3 MB; their PNG is a few kilobytes.
    const auto large = picture(2000, 1500);
    document.setOriginalImage(large);
    endEvent();
    document.setOriginalImage(picture(30, 20));
    endEvent();
    EXPECT_LT(undo.undoMemory(), 64 * 1024);
    EXPECT_EQ(undo.undoMemory(), large->data().size());

    undo.undo();
    const auto& back = document.originalImage();
    ASSERT_TRUE(back);
    EXPECT_NE(back, large) << "decoded again, not kept";
    EXPECT_EQ(back->data(), large->data());
    EXPECT_EQ(back->fileURL(), large->fileURL());
    EXPECT_EQ(back->imageOriginalSizeInfo(), large->imageOriginalSizeInfo());
    ASSERT_TRUE(back->cgImage());
    EXPECT_EQ(*back->cgImage(), *large->cgImage());

    // The redo step keeps the smaller picture's bytes in turn.
    undo.redo();
    EXPECT_EQ(document.originalImage()->size_px(Dpi(254)), (Size_px{30, 20}));
    undo.undo();
    undo.undo();
    EXPECT_FALSE(document.originalImage());
}

TEST_F(UndoPictureTest, aPictureWithoutBytesIsKeptWholeAndCostsItsPixels) {
    QImage pixels(100, 50, QImage::Format_Grayscale8);
    pixels.fill(7);
    const auto made = OriginalImage::fromImage(pixels, {}, {}, 1);
    const UndoPicture kept(made);
    EXPECT_EQ(kept.cost(), pixels.sizeInBytes());
    ASSERT_TRUE(kept.restore());
    EXPECT_EQ(*kept.restore(), made);

    const UndoPicture none(nullptr);
    EXPECT_EQ(none.cost(), 0);
    ASSERT_TRUE(none.restore());
    EXPECT_FALSE(*none.restore());
}

TEST_F(UndoPictureTest, manyPictureChangesKeepTheNewestStepsWithinTheMemoryLimit) {
    PrintDocument document;
    platform::UndoManager& undo = *document.undoManager();
    std::vector<OriginalImage::Pointer> loaded;
    for (int i = 0; i < 30; ++i) {
        loaded.push_back(picture(100 + i, 100));
    }
    const qint64 limit = 4 * loaded.front()->data().size();
    undo.setMaximumUndoMemory(limit);
    for (const auto& each : loaded) {
        document.setOriginalImage(each);
        endEvent();
    }
    EXPECT_LE(undo.undoMemory(), limit);
    int steps = 0;
    while (undo.canUndo()) {
        undo.undo();
        ++steps;
    }
    EXPECT_GE(steps, 2);
    EXPECT_LT(steps, 5);
    // Undone as far as it goes: the oldest picture still kept.
    ASSERT_TRUE(document.originalImage());
    EXPECT_EQ(document.originalImage()->data(), loaded[std::size_t(29 - steps)]->data());
}

} // namespace
