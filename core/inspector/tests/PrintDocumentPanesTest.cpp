#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorPaneViewController_HorizontalImageSplit.h"
#include "core/inspector/InspectorPaneViewController_ImageLayout.h"
#include "core/inspector/InspectorPaneViewController_ImageRepeat.h"
#include "core/inspector/InspectorPanesStackViewController.h"
#include "core/inspector/InspectorViewController.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"
#include "core/inspector/tests/InspectorTestSupport.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

ambrel::OriginalImage::Pointer picture(int width, int height) {
    return PaneDocument::picture(width, height, QUrl::fromLocalFile(QStringLiteral("/tmp/p.png")));
}

// The three numeric panes in one window over a real document with a
// 300 dpi model and a 600 × 300 px picture (50.8 × 25.4 mm).
struct PanesOverDocument : ::testing::Test {
    QTemporaryDir folder;
    std::unique_ptr<PrintDocument> document;
    std::unique_ptr<PrintDocumentInspectorAdapter> adapter;
    QWidget window;
    InspectorPaneViewController_ImageLayout* layout = nullptr;
    InspectorPaneViewController_ImageRepeat* repeat = nullptr;
    InspectorPaneViewController_HorizontalImageSplit* split = nullptr;

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("d.plist")));
        document = std::make_unique<PrintDocument>();
        document->setDeviceDescriptor(model());
        document->setOriginalImage(picture(600, 300));
        document->setImageSize_px({600, 300});
        endEvent();
        document->undoManager()->removeAllActions();
        adapter = std::make_unique<PrintDocumentInspectorAdapter>(*document);
        auto* column = new QVBoxLayout(&window);
        layout = new InspectorPaneViewController_ImageLayout;
        repeat = new InspectorPaneViewController_ImageRepeat;
        split = new InspectorPaneViewController_HorizontalImageSplit;
        for (auto* pane :
             std::initializer_list<InspectorPaneViewController*>{layout, repeat, split}) {
            column->addWidget(pane);
            pane->setDocument(adapter.get());
        }
        showAndActivate(&window);
    }
    void TearDown() override {
        for (auto* pane :
             std::initializer_list<InspectorPaneViewController*>{layout, repeat, split}) {
            pane->setDocument(nullptr);
        }
    }
    // Each user action is its own event, so each makes its own undo step.
    static void endEvent() { QCoreApplication::processEvents(); }
    void enter(InspectorNumberTextField* field, const QString& text) {
        typeAndReturn(field, text);
        endEvent();
    }
    QStringList texts() const {
        return {layout->imageXOffsetTextField()->text(),
                layout->imageYOffsetTextField()->text(),
                layout->imageWidthTextField()->text(),
                layout->imageHeightTextField()->text(),
                repeat->xCopiesCountTextField()->text(),
                repeat->yCopiesMarginTextField()->text(),
                split->minimumSeparatedXMarginTextField()->text(),
                split->additionalWhitespaceLength_end_TextField()->text()};
    }
};

} // namespace

TEST_F(PanesOverDocument, EditsGoThroughTheDocumentAndUndoRefreshesEveryField) {
    EXPECT_EQ(layout->imageWidthTextField()->text(), QStringLiteral("50.8"));
    EXPECT_EQ(layout->imageHeightTextField()->text(), QStringLiteral("25.4"));
    const QStringList before = texts();

    enter(layout->imageXOffsetTextField(), QStringLiteral("350"));
    EXPECT_EQ(document->imageOffset_mm(), (ambrel::Point_mm{300, 0}));
    enter(layout->imageYOffsetTextField(), QStringLiteral("3*4"));
    enter(layout->imageWidthTextField(), QStringLiteral("101.6"));
    EXPECT_EQ(layout->imageHeightTextField()->text(), QStringLiteral("50.8"));
    enter(repeat->xCopiesCountTextField(), QStringLiteral("51"));
    EXPECT_EQ(document->imageRepeatXCount(), 50);
    EXPECT_EQ(layout->imageRepeatButton()->text(), QStringLiteral("50 × 1"));
    enter(repeat->yCopiesMarginTextField(), QStringLiteral("5/2"));
    enter(split->minimumSeparatedXMarginTextField(), QStringLiteral("12"));
    enter(split->additionalWhitespaceLength_end_TextField(), QStringLiteral("7"));
    const QStringList after = texts();
    EXPECT_EQ(after, (QStringList{"300", "12", "101.6", "50.8", "50", "2.5", "12", "7"}));
    // Text without a finite value leaves no step behind.
    const qint64 steps = document->undoManager()->changeCount();
    enter(layout->imageWidthTextField(), QStringLiteral("1e999"));
    enter(repeat->xCopiesMarginTextField(), QStringLiteral("0/0"));
    EXPECT_EQ(document->undoManager()->changeCount(), steps);

    while (document->undoManager()->canUndo()) {
        document->undoManager()->undo();
    }
    EXPECT_EQ(texts(), before);
    EXPECT_EQ(layout->imageRepeatButton()->text(), QStringLiteral("None"));
    while (document->undoManager()->canRedo()) {
        document->undoManager()->redo();
    }
    EXPECT_EQ(texts(), after);
}

TEST_F(PanesOverDocument, ResetsAreOneStepEach) {
    enter(split->minimumSeparatedXMarginTextField(), QStringLiteral("12"));
    enter(split->maximumBlackXLengthTextField(), QStringLiteral("99"));
    enter(split->additionalWhitespaceLength_end_TextField(), QStringLiteral("5"));
    document->setUsesMinimumSeparatedXMargin(false);
    endEvent();
    QTest::mouseClick(split->revertButton(), Qt::LeftButton);
    endEvent();
    EXPECT_EQ(split->minimumSeparatedXMarginTextField()->text(), QStringLiteral("70"));
    EXPECT_EQ(split->maximumBlackXLengthTextField()->text(), QStringLiteral("150"));
    EXPECT_EQ(split->additionalWhitespaceLength_end_TextField()->text(), QStringLiteral("5"));
    EXPECT_TRUE(document->usesMinimumSeparatedXMargin());
    EXPECT_EQ(document->undoManager()->undoActionName(),
              UndoActionName(UndoActionName::resettingHorizontalImageSplit).displayedName());
    document->undoManager()->undo();
    EXPECT_EQ(split->minimumSeparatedXMarginTextField()->text(), QStringLiteral("12"));
    EXPECT_EQ(split->maximumBlackXLengthTextField()->text(), QStringLiteral("99"));
    EXPECT_FALSE(document->usesMinimumSeparatedXMargin());

    enter(repeat->xCopiesCountTextField(), QStringLiteral("3"));
    enter(repeat->yCopiesCountTextField(), QStringLiteral("2"));
    QTest::mouseClick(layout->resetImageRepeatButton(), Qt::LeftButton);
    endEvent();
    EXPECT_EQ(layout->imageRepeatButton()->text(), QStringLiteral("None"));
    document->undoManager()->undo();
    EXPECT_EQ(layout->imageRepeatButton()->text(), QStringLiteral("3 × 2"));
    EXPECT_EQ(repeat->yCopiesCountTextField()->text(), QStringLiteral("2"));
}

TEST_F(PanesOverDocument, AnchorAndActualSizeUseTheDocument) {
    QComboBox* anchors = layout->imageOffsetBasePopUpButton();
    const QString start = document->imageOffsetBase().rawValue();
    EXPECT_EQ(anchors->currentData().toString(), start);
    const int corner = anchors->findData(QStringLiteral("bottomRight"));
    ASSERT_GE(corner, 0);
    ASSERT_NE(start, QStringLiteral("bottomRight"));
    anchors->setCurrentIndex(corner);
    layout->changeImageOffsetBase();
    EXPECT_EQ(document->imageOffsetBase(), ambrel::OffsetBase::bottomRight);
    endEvent();
    document->undoManager()->undo();
    EXPECT_EQ(anchors->currentData().toString(), start);

    EXPECT_EQ(layout->actualSizeButton()->text(), QStringLiteral("Dot by Dot"));
    enter(layout->imageWidthTextField(), QStringLiteral("10"));
    QTest::mouseClick(layout->actualSizeButton(), Qt::LeftButton);
    EXPECT_EQ(layout->imageWidthTextField()->text(), QStringLiteral("50.8"));

    document->setOriginalImage(nullptr);
    EXPECT_FALSE(layout->actualSizeButton()->isEnabled());
    EXPECT_EQ(layout->actualSizeButton()->text(), QStringLiteral("Actual Size"));
}

TEST_F(PanesOverDocument, TheInspectorHandsTheDocumentToItsPanes) {
    registerStandInPanes({"Image", "Bitmap", "Print"});
    InspectorViewController inspector;
    inspector.setPrintDocument(document.get());
    inspector.setDeviceDescriptor(document->deviceDescriptor());
    InspectorPaneViewController_ImageLayout* shown = nullptr;
    for (auto* pane : inspector.panesStackViewController()->paneViewControllers()) {
        if (auto* found = qobject_cast<InspectorPaneViewController_ImageLayout*>(pane)) {
            shown = found;
        }
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->imageWidthTextField()->text(), QStringLiteral("50.8"));
    document->setImageRepeatXCount(2);
    EXPECT_EQ(shown->imageRepeatButton()->text(), QStringLiteral("2 × 1"));
    inspector.setPrintDocument(nullptr);
    EXPECT_EQ(shown->document(), nullptr);
    EXPECT_EQ(shown->imageWidthTextField()->text(), QStringLiteral("0"));
}

TEST_F(PanesOverDocument, TabbingThroughTheFieldsGoesTopToBottomAndWritesNothing) {
    enter(layout->imageXOffsetTextField(), QStringLiteral("10.1"));
    const qint64 steps = document->undoManager()->changeCount();
    layout->imageXOffsetTextField()->setFocus();
    const QList<QWidget*> expected{layout->imageYOffsetTextField(), layout->imageWidthTextField(),
                                   layout->imageHeightTextField()};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    endEvent();
    EXPECT_EQ(document->undoManager()->changeCount(), steps);
    EXPECT_EQ(document->imageOffset_mm().x, 10.1);
}

TEST_F(PanesOverDocument, UndoKeysInAFocusedFieldReachTheDocumentOnceItsTypingIsCommitted) {
    // The window's Undo and Redo items, as the main menu has them.
    QAction undo(&window);
    undo.setShortcut(QKeySequence::Undo);
    QObject::connect(&undo, &QAction::triggered, [this] { document->undoManager()->undo(); });
    QAction redo(&window);
    redo.setShortcut(QKeySequence::Redo);
    QObject::connect(&redo, &QAction::triggered, [this] { document->undoManager()->redo(); });
    window.addAction(&undo);
    window.addAction(&redo);

    InspectorNumberTextField* field = layout->imageXOffsetTextField();
    enter(field, QStringLiteral("10"));
    ASSERT_EQ(QApplication::focusWidget(), field);
    ASSERT_EQ(document->imageOffset_mm().x, 10);

    // Typing not yet committed is the field's own to undo.
    QTest::keyClicks(field, QStringLiteral("5"));
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    endEvent();
    EXPECT_EQ(field->text(), QStringLiteral("10"));
    EXPECT_EQ(document->imageOffset_mm().x, 10);

    // With nothing left to undo in the field, the document's change goes.
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    endEvent();
    EXPECT_EQ(document->imageOffset_mm().x, 0);
    EXPECT_EQ(field->text(), QStringLiteral("0"));
    EXPECT_EQ(QApplication::focusWidget(), field);

    // Redo's keys depend on the platform's scheme (Ctrl+Shift+Z or Ctrl+Y).
    QTest::keySequence(field, QKeySequence(QKeySequence::Redo));
    endEvent();
    EXPECT_EQ(document->imageOffset_mm().x, 10);
    EXPECT_EQ(field->text(), QStringLiteral("10"));
}
