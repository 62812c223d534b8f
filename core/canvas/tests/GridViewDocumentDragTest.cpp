#include "CanvasTestSupport.h"

#include "core/canvas/GridViewDocumentDelegate.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/tests/DocumentTestSupport.h"
#include "platform/KeyValueBinding.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace kestrom;
using namespace kestrom::testing;
using ambrel::OffsetBase;
using ambrel::Point_mm;
using ambrel::Size_mm;

namespace {

// The canvas over a print document of the model "Alder" (an A4 canvas of
// 297 x 210 mm, shown at two points per millimetre), its properties bound to
// the document's keys.
class GridViewDocumentDrag : public documenttest::DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        document = std::make_unique<PrintDocument>();
        document->setDeviceDescriptor(documenttest::model(documenttest::alderName));
        document->setOriginalImage(documenttest::picture(600, 400));
        document->setImageOffsetBase(OffsetBase::topLeft);
        document->setImageSizeForDisplay_mm({60, 40});
        document->setImageOffset_mm({10, 20});
        documenttest::endEvent();
        ASSERT_TRUE(document->canvas());
        ASSERT_EQ(document->canvas()->size_mm(), (Size_mm{297, 210}));

        for (const char* key : {"imageOffset_mm", "imageSizeForDisplay_mm", "imageOffsetBase",
                                "originalImage", "imageRepeatXCount", "imageRepeatYCount",
                                "imageRepeatXMargin_mm", "imageRepeatYMargin_mm"}) {
            platform::KeyValueBinding::bind(&view, key, document.get(), QString::fromLatin1(key));
        }
        platform::KeyValueBinding::bind(&view, "flipsImage", document.get(),
                                        QStringLiteral("flipsImageHorizontal"));
        platform::KeyValueBinding::bind(&view, "canvasEnabled", document.get(),
                                        QStringLiteral("inViewingMode"),
                                        platform::KeyValueBinding::Negate);
        view.setPrintableSize_mm(document->canvas()->size_mm());
        view.setImageIsResizable(true);
        editor.setDocument(document.get());
        view.setDelegate(&editor);
        view.resize(16 + 594 + 16, 16 + 420 + 16);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.layoutSubtreeIfNeeded();
        startCount = document->undoManager()->changeCount();
    }

    QPoint at_mm(double x, double y) const { return view.viewportPoint(QPointF(x * 2, y * 2)); }

    std::unique_ptr<PrintDocument> document;
    GridViewDocumentDelegate editor;
    GridView view;
    qint64 startCount = 0;
};

} // namespace

TEST_F(GridViewDocumentDrag, draggingTheBodyMovesTheOffsetInOneUndoStep) {
    EXPECT_EQ(view.imageOffset_mm(), (Point_mm{10, 20}));
    dragThrough(view.viewport(), at_mm(40, 40), at_mm(55, 30), 40);
    documenttest::endEvent();
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{25, 10}));
    EXPECT_EQ(view.imageOffset_mm(), (Point_mm{25, 10}));
    EXPECT_FALSE(editor.hasDragged());
    EXPECT_EQ(document->undoManager()->changeCount(), startCount + 1);

    document->undoManager()->undo();
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{10, 20}));
    EXPECT_EQ(view.imageOffset_mm(), (Point_mm{10, 20}));
    document->undoManager()->redo();
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{25, 10}));
}

TEST_F(GridViewDocumentDrag, bindingsCarryTheDocumentsValues) {
    EXPECT_EQ(view.originalImage(), document->originalImage());
    EXPECT_EQ(view.imageOffsetBase(), "topLeft");
    EXPECT_EQ(view.imageSizeForDisplay_mm(), (Size_mm{60, 40}));
    EXPECT_TRUE(view.isCanvasEnabled());
    document->setImageRepeatXCount(3);
    document->setImageRepeatXMargin_mm(4);
    document->setFlipsImageHorizontal(true);
    EXPECT_EQ(view.imageRepeatXCount(), 3);
    EXPECT_EQ(view.imageRepeatXMargin_mm(), 4);
    EXPECT_TRUE(view.flipsImage());
    EXPECT_EQ(view.allImageSize_mm(), (Size_mm{188, 40}));
    document->setInViewingMode(true);
    EXPECT_FALSE(view.isCanvasEnabled());
    document->setOriginalImage(nullptr);
    EXPECT_EQ(view.originalImage(), nullptr);
}

TEST_F(GridViewDocumentDrag, eachDragIsAStepAndAClickIsNone) {
    const QPoint inside = at_mm(40, 40);
    sendMouse(view.viewport(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
    documenttest::endEvent();
    EXPECT_EQ(document->undoManager()->changeCount(), startCount);

    dragThrough(view.viewport(), at_mm(40, 40), at_mm(45, 40), 5);
    documenttest::endEvent();
    dragThrough(view.viewport(), at_mm(40, 40), at_mm(40, 47), 5);
    documenttest::endEvent();
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{15, 27}));
    EXPECT_EQ(document->undoManager()->changeCount(), startCount + 2);
    document->undoManager()->undo();
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{15, 20}));
}

TEST_F(GridViewDocumentDrag, draggingAHandleResizesKeepingTheRatio) {
    const QPoint inside = at_mm(40, 40);
    sendMouse(view.viewport(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
    view.layoutSubtreeIfNeeded();
    auto* selection = view.imageSelectionView();
    const QPoint corner = view.viewportPoint(
        selection->mapToScene(selection->handleRect(GridViewHandle::bottomRight).center()));
    // 30 mm right and 10 mm down of the corner: the box (90, 50) holds a
    // 3:2 picture of 75 x 50 mm.
    dragThrough(view.viewport(), corner, corner + QPoint(60, 20), 12);
    documenttest::endEvent();
    const Size_mm size = document->imageSizeForDisplay_mm();
    EXPECT_NEAR(size.width, 75, 0.1);
    EXPECT_NEAR(size.height, 50, 0.1);
    EXPECT_NEAR(size.width / size.height, 1.5, 1e-3);
    EXPECT_EQ(view.imageSizeForDisplay_mm(), size);
    EXPECT_EQ(document->imageOffset_mm(), (Point_mm{10, 20}));
    EXPECT_EQ(document->undoManager()->changeCount(), startCount + 1);
    document->undoManager()->undo();
    EXPECT_EQ(document->imageSizeForDisplay_mm(), (Size_mm{60, 40}));
}
