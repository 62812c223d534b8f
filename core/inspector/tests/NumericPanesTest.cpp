#include "core/inspector/InspectorImageOverflowAlertViewController.h"
#include "core/inspector/InspectorPaneViewController_HorizontalImageSplit.h"
#include "core/inspector/InspectorPaneViewController_ImageLayout.h"
#include "core/inspector/InspectorPaneViewController_ImageRepeat.h"
#include "core/inspector/InspectorStepper.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

template <typename Pane> struct PaneWindow {
    PaneDocument document;
    Pane pane;
    PaneWindow() {
        pane.setDocument(document.adapter());
        pane.resize(300, pane.sizeHint().height());
        showAndActivate(&pane);
        InspectorAnimations::clearRecords();
    }
};

} // namespace

TEST(ImageLayoutPaneTest, OffsetsAndSizesAreClampedAndWrittenThroughTheDocument) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    auto& pane = w.pane;
    EXPECT_EQ(pane.imageXOffsetTextField()->text(), QStringLiteral("10"));
    typeAndReturn(pane.imageXOffsetTextField(), QStringLiteral("350"));
    EXPECT_EQ(w.document->imageOffset_mm(), (ambrel::Point_mm{300, 20}));
    EXPECT_EQ(pane.imageXOffsetTextField()->text(), QStringLiteral("300"));
    typeAndReturn(pane.imageXOffsetTextField(), QStringLiteral("-1000"));
    EXPECT_EQ(w.document->imageOffset_mm(), (ambrel::Point_mm{-300, 20}));
    typeAndReturn(pane.imageYOffsetTextField(), QStringLiteral("12.5+0.25"));
    EXPECT_EQ(w.document->imageOffset_mm(), (ambrel::Point_mm{-300, 12.75}));

    typeAndReturn(pane.imageWidthTextField(), QStringLiteral("2"));
    EXPECT_EQ(w.document->imageSizeForDisplay_mm().width, 5);
    EXPECT_EQ(pane.imageHeightTextField()->text(), QStringLiteral("2.5"));
    typeAndReturn(pane.imageWidthTextField(), QStringLiteral("1200"));
    EXPECT_EQ(w.document->imageSizeForDisplay_mm().width, 800);
    typeAndReturn(pane.imageHeightTextField(), QStringLiteral("200"));
    EXPECT_EQ(w.document->imageSizeForDisplay_mm(), (ambrel::Size_mm{400, 200}));

    // Nothing that is not a finite number reaches the document.
    // Nothing that is not a finite number reaches the document: the last
    // step to undo is still the last real edit.
    PaneDocument::settle();
    const auto placement = w.document->originalImageDrawingOptions();
    typeAndReturn(pane.imageWidthTextField(), QStringLiteral("1e999"));
    typeAndReturn(pane.imageXOffsetTextField(), QStringLiteral("0/0"));
    PaneDocument::settle();
    EXPECT_EQ(w.document->originalImageDrawingOptions(), placement);
    w.document.undo().undo();
    EXPECT_NE(w.document->originalImageDrawingOptions(), placement);
}

TEST(ImageLayoutPaneTest, UndoRefreshesEveryField) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    auto& pane = w.pane;
    typeAndReturn(pane.imageXOffsetTextField(), QStringLiteral("30"));
    typeAndReturn(pane.imageYOffsetTextField(), QStringLiteral("40"));
    typeAndReturn(pane.imageWidthTextField(), QStringLiteral("50"));
    PaneDocument::settle();
    pane.imageOffsetBasePopUpButton()->setCurrentIndex(2);
    pane.changeImageOffsetBase();
    EXPECT_EQ(w.document->imageOffsetBase(), ambrel::OffsetBase::center);
    w.document.undoAll();
    EXPECT_EQ(pane.imageXOffsetTextField()->text(), QStringLiteral("10"));
    EXPECT_EQ(pane.imageYOffsetTextField()->text(), QStringLiteral("20"));
    EXPECT_EQ(pane.imageWidthTextField()->text(), QStringLiteral("100"));
    EXPECT_EQ(pane.imageHeightTextField()->text(), QStringLiteral("50"));
    EXPECT_EQ(pane.imageOffsetBasePopUpButton()->currentData().toString(),
              QStringLiteral("topLeft"));
    w.document.undo().redo();
    EXPECT_EQ(pane.imageXOffsetTextField()->text(), QStringLiteral("30"));
}

TEST(ImageLayoutPaneTest, AnchorsComeFromTheModel) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    QComboBox* anchors = w.pane.imageOffsetBasePopUpButton();
    ASSERT_EQ(anchors->count(), 4);
    EXPECT_EQ(anchors->itemData(3).toString(), QStringLiteral("bottomRight"));
    EXPECT_EQ(anchors->currentIndex(), 0);
    // An anchor the model does not allow leaves the selection alone.
    w.document->setImageOffsetBase(ambrel::OffsetBase::left);
    EXPECT_EQ(anchors->currentIndex(), 0);
    w.document->setImageOffsetBase(ambrel::OffsetBase::bottomRight);
    EXPECT_EQ(anchors->currentIndex(), 3);
}

TEST(ImageLayoutPaneTest, OverflowIsDescribedSideBySide) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    EXPECT_EQ(w.pane.overflownAmountDescription(), std::nullopt);
    EXPECT_TRUE(w.pane.imageOverflownButton()->isHidden());

    // 2.5 mm over the left edge and 10 over the bottom one (the canvas is
    // 210 mm high).
    w.document->setImageOffset_mm({-2.5, 170});
    const QString point = QLocale().decimalPoint();
    EXPECT_EQ(w.pane.overflownAmountDescription(),
              QStringLiteral("⚠️  ⇤ 2") + point + QStringLiteral("5  ⤓ 10 mm"));
    EXPECT_FALSE(w.pane.imageOverflownButton()->isHidden());
    EXPECT_EQ(w.pane.imageOverflownButton()->text(), w.pane.overflownAmountDescription());

    // One fraction digit.
    w.document->setImageOffset_mm({0, -0.54});
    EXPECT_EQ(w.pane.overflownAmountDescription(),
              QStringLiteral("⚠️  ⤒ 0") + point + QStringLiteral("5 mm"));

    w.pane.setDocument(nullptr);
    EXPECT_EQ(w.pane.overflownAmountDescription(), std::nullopt);
}

TEST(ImageLayoutPaneTest, APictureWhollyOutsideTheCanvasIsSaidToBe) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    const auto& model = w.document->deviceDescriptor();

    // Part over the right edge (the canvas is 297 mm wide, the picture 100).
    w.document->setImageOffset_mm({250, 20});
    EXPECT_FALSE(w.pane.liesWhollyOutside());
    EXPECT_EQ(w.pane.overflownAmountDescription(), QStringLiteral("⚠️  ⇥ 53 mm"));
    EXPECT_EQ(w.pane.imageOverflownButton()->toolTip(), model->overflowAlertMessage(false));
    EXPECT_TRUE(model->overflowAlertMessage(false).startsWith(QStringLiteral("Part of")));

    // All of it beyond the edge; touching the edge is not on the canvas.
    for (const double x : {297.0, 300.0}) {
        w.document->setImageOffset_mm({x, 20});
        EXPECT_TRUE(w.pane.liesWhollyOutside()) << x;
        const auto description = w.pane.overflownAmountDescription();
        ASSERT_TRUE(description);
        EXPECT_TRUE(description->startsWith(QStringLiteral("⚠️  All outside  ⇥ ")))
            << description->toStdString();
        EXPECT_EQ(w.pane.imageOverflownButton()->text(), *description);
        EXPECT_EQ(w.pane.imageOverflownButton()->toolTip(), model->overflowAlertMessage(true));
    }
    EXPECT_TRUE(model->overflowAlertMessage(true).startsWith(QStringLiteral("The whole picture")));
    auto* alert = w.pane.showOverflowAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->messageLabel()->text(), model->overflowAlertMessage(true));

    // Above the top edge too, and back on the canvas.
    w.document->setImageOffset_mm({10, -60});
    EXPECT_TRUE(w.pane.liesWhollyOutside());
    w.document->setImageOffset_mm({10, -40});
    EXPECT_FALSE(w.pane.liesWhollyOutside());
    EXPECT_EQ(w.pane.overflownAmountDescription(), QStringLiteral("⚠️  ⤒ 40 mm"));
}

TEST(ImageLayoutPaneTest, ActualSizeTitleAndRepeatSummaryFollowTheDocument) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    auto& pane = w.pane;
    EXPECT_EQ(pane.actualSizeButton()->text(), QStringLiteral("Dot by Dot"));
    // A bitmap picture at its actual size: one device dot per pixel.
    w.document->setImageSize_px({300, 150});
    QTest::mouseClick(pane.actualSizeButton(), Qt::LeftButton);
    EXPECT_EQ(w.document->imageSize_px(), (ambrel::Size_px{1000, 500}));
    w.document->setOriginalImage(nullptr);
    EXPECT_EQ(pane.actualSizeButton()->text(), QStringLiteral("Actual Size"));
    EXPECT_FALSE(pane.actualSizeButton()->isEnabled());
    w.document->setOriginalImage(PaneDocument::picture(1000, 500, PaneDocument::logoURL));
    EXPECT_TRUE(pane.actualSizeButton()->isEnabled());

    EXPECT_EQ(pane.imageCopyDescription(), QStringLiteral("None"));
    EXPECT_FALSE(pane.hasImageCopies());
    EXPECT_FALSE(pane.resetImageRepeatButton()->isEnabled());
    w.document->setImageRepeatXCount(3);
    EXPECT_EQ(pane.imageCopyDescription(), QStringLiteral("3 × 1"));
    EXPECT_EQ(pane.imageRepeatButton()->text(), QStringLiteral("3 × 1"));
    EXPECT_TRUE(pane.hasImageCopies());
    QTest::mouseClick(pane.resetImageRepeatButton(), Qt::LeftButton);
    EXPECT_EQ(w.document->imageRepeatXCount(), 1);
    EXPECT_EQ(pane.imageRepeatButton()->text(), QStringLiteral("None"));

    pane.setDocument(nullptr);
    EXPECT_EQ(pane.actualSizeButton()->text(), QStringLiteral("Actual Size"));
    EXPECT_EQ(pane.imageCopyDescription(), QString());
    EXPECT_EQ(pane.imageXOffsetTextField()->text(), QStringLiteral("0"));
}

TEST(ImageLayoutPaneTest, TheRepeatPaneOpensWithTheDocument) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    auto* repeat = w.pane.showImageRepeatPane();
    ASSERT_NE(repeat, nullptr);
    EXPECT_EQ(repeat->document(), &*w.document);
    typeAndReturn(repeat->xCopiesCountTextField(), QStringLiteral("4"));
    EXPECT_EQ(w.pane.imageRepeatButton()->text(), QStringLiteral("4 × 1"));
    auto* alert = w.pane.showOverflowAlert();
    EXPECT_EQ(alert->deviceDescriptor(), w.document->deviceDescriptor());
}

TEST(ImageRepeatPaneTest, CountsAndGapsAreClamped) {
    PaneWindow<InspectorPaneViewController_ImageRepeat> w;
    auto& pane = w.pane;
    typeAndReturn(pane.xCopiesCountTextField(), QStringLiteral("51"));
    EXPECT_EQ(w.document->imageRepeatXCount(), 50);
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("50"));
    typeAndReturn(pane.yCopiesCountTextField(), QStringLiteral("0"));
    EXPECT_EQ(w.document->imageRepeatYCount(), 1);
    typeAndReturn(pane.yCopiesCountTextField(), QStringLiteral("2*3"));
    EXPECT_EQ(w.document->imageRepeatYCount(), 6);
    EXPECT_TRUE(pane.hasYCopies());
    typeAndReturn(pane.xCopiesMarginTextField(), QStringLiteral("301"));
    EXPECT_EQ(w.document->imageRepeatXMargin_mm(), 300);
    typeAndReturn(pane.yCopiesMarginTextField(), QStringLiteral("-5"));
    EXPECT_EQ(w.document->imageRepeatYMargin_mm(), 0);

    w.document.undoAll();
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("1"));
    EXPECT_EQ(pane.yCopiesCountTextField()->text(), QStringLiteral("1"));
    EXPECT_EQ(pane.xCopiesMarginTextField()->text(), QStringLiteral("0"));
    EXPECT_FALSE(pane.hasXCopies());

    w.document->setImageRepeatXMargin_mm(12.5);
    pane.setDocument(nullptr);
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("1"));
    EXPECT_EQ(pane.xCopiesMarginTextField()->text(), QStringLiteral("0"));
}

TEST(HorizontalSplitPaneTest, RevertRestoresTheDefaultsAndBouncesTheFields) {
    PaneWindow<InspectorPaneViewController_HorizontalImageSplit> w;
    auto& pane = w.pane;
    typeAndReturn(pane.minimumSeparatedXMarginTextField(), QStringLiteral("12"));
    typeAndReturn(pane.maximumBlackXLengthTextField(), QStringLiteral("99.5"));
    typeAndReturn(pane.additionalWhitespaceLength_end_TextField(), QStringLiteral("5"));
    EXPECT_EQ(w.document->minimumSeparatedXMargin_mm(), 12);
    EXPECT_EQ(w.document->maximumBlackXLength_mm(), 99.5);
    PaneDocument::settle();
    QTest::mouseClick(pane.revertButton(), Qt::LeftButton);
    EXPECT_EQ(pane.minimumSeparatedXMarginTextField()->text(), QStringLiteral("70"));
    EXPECT_EQ(pane.maximumBlackXLengthTextField()->text(), QStringLiteral("150"));
    EXPECT_EQ(pane.additionalWhitespaceLength_end_TextField()->text(), QStringLiteral("5"));
    EXPECT_TRUE(InspectorAnimations::wasRecorded(pane.minimumSeparatedXMarginTextField(),
                                                 QStringLiteral("bounce")));
    EXPECT_TRUE(InspectorAnimations::wasRecorded(pane.maximumBlackXLengthTextField(),
                                                 QStringLiteral("bounce")));
    // One undo step takes back the whole revert.
    PaneDocument::settle();
    w.document.undo().undo();
    EXPECT_EQ(pane.minimumSeparatedXMarginTextField()->text(), QStringLiteral("12"));
    EXPECT_EQ(pane.maximumBlackXLengthTextField()->text(), QStringLiteral("99.5"));

    // Even with nothing to revert the fields bounce.
    pane.setDocument(nullptr);
    InspectorAnimations::clearRecords();
    pane.revertToDefault();
    EXPECT_TRUE(InspectorAnimations::wasRecorded(pane.minimumSeparatedXMarginTextField(),
                                                 QStringLiteral("bounce")));
}

TEST(HorizontalSplitPaneTest, TheClearButtonShowsOnlyForAnEndSpace) {
    PaneWindow<InspectorPaneViewController_HorizontalImageSplit> w;
    auto& pane = w.pane;
    auto* clear = pane.additionalWhitespaceLength_end_ClearButton();
    EXPECT_TRUE(clear->isHidden());
    typeAndReturn(pane.additionalWhitespaceLength_end_TextField(), QStringLiteral("5"));
    EXPECT_FALSE(clear->isHidden());
    pane.minimumSeparatedXMarginTextField()->setFocus();
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(w.document->additionalWhitespaceLength_end_mm(), 0);
    EXPECT_TRUE(clear->isHidden());
    EXPECT_TRUE(pane.additionalWhitespaceLength_end_TextField()->hasFocus());
}

TEST(HorizontalSplitPaneTest, SteppersAndUndoUpdateTheFields) {
    PaneWindow<InspectorPaneViewController_HorizontalImageSplit> w;
    auto& pane = w.pane;
    QTest::mouseClick(pane.minimumSeparatedXMarginStepper()->plusButton(), Qt::LeftButton);
    EXPECT_EQ(w.document->minimumSeparatedXMargin_mm(), 71);
    PaneDocument::settle();
    QTest::mouseClick(pane.maximumBlackXLengthStepper()->minusButton(), Qt::LeftButton);
    EXPECT_EQ(w.document->maximumBlackXLength_mm(), 149);
    PaneDocument::settle();
    w.document.undo().undo();
    EXPECT_EQ(pane.maximumBlackXLengthTextField()->text(), QStringLiteral("150"));
    EXPECT_EQ(pane.minimumSeparatedXMarginTextField()->text(), QStringLiteral("71"));
    w.document.undo().undo();
    EXPECT_EQ(pane.minimumSeparatedXMarginTextField()->text(), QStringLiteral("70"));
    EXPECT_EQ(pane.maximumBlackXLengthTextField()->text(), QStringLiteral("150"));
}

TEST(ImageLayoutPaneTest, TheRepeatPaneStopsFollowingOnceClosed) {
    PaneWindow<InspectorPaneViewController_ImageLayout> w;
    QPointer<InspectorPaneViewController_ImageRepeat> repeat = w.pane.showImageRepeatPane();
    ASSERT_TRUE(repeat);
    repeat->window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(repeat);
}

TEST(PaneBaseTest, MonospacedDigitsKeepSizeAndWeight) {
    QLabel bold(QStringLiteral("12"));
    QFont font = bold.font();
    font.setBold(true);
    font.setPointSizeF(15);
    bold.setFont(font);
    QWidget plain;
    InspectorPaneViewController::makeControlFontsMonospacedDigit({&bold, &plain, nullptr});
    EXPECT_TRUE(bold.font().bold());
    EXPECT_EQ(bold.font().pointSizeF(), 15);
}

// A pane hears only the document it shows: a replaced or deleted document's
// changes no longer reach it.
TEST(PaneBaseTest, APaneFollowsOnlyItsCurrentDocument) {
    PaneDocument first;
    PaneDocument second;
    InspectorPaneViewController_ImageRepeat pane;
    pane.setDocument(first.adapter());
    first->setImageRepeatXCount(3);
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("3"));

    pane.setDocument(second.adapter());
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("1"));
    first->setImageRepeatXCount(4);
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("1"));
    second->setImageRepeatXCount(5);
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("5"));

    auto adapter = std::make_unique<PrintDocumentInspectorAdapter>(*first);
    pane.setDocument(adapter.get());
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("4"));
    adapter.reset();
    EXPECT_EQ(pane.document(), nullptr);
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("1"));
    first->setImageRepeatXCount(6);
    EXPECT_EQ(pane.xCopiesCountTextField()->text(), QStringLiteral("1"));
    EXPECT_EQ(first->observationCount(QStringLiteral("imageRepeatXCount")), 0);
}
