#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorPaneViewController_Bitmap.h"
#include "core/inspector/InspectorSegmentedControl.h"
#include "core/inspector/InspectorValueSlider.h"
#include "core/inspector/tests/InspectorTestSupport.h"
#include "core/inspector/tests/SliderDrag.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

const QString thresholdKey = QStringLiteral("blackConversionOptions.threshold.threshold");
const QString expansionKey = QStringLiteral("blackConversionOptions.threshold.expansionLevel");
const QString whiteClampKey = QStringLiteral("blackConversionOptions.halftone.whiteClampFactor");

// The model offers both kinds of conversion.
const QByteArray halftone =
    R"("additionalInfos": {"BlackConversion": {"threshold": {}, "halftone": {}}})";

struct BitmapPane : ::testing::Test {
    PaneDocument document{model(halftone)};
    InspectorPaneViewController_Bitmap pane;

    void SetUp() override {
        InspectorAnimations::clearRecords();
        pane.setDocument(document.adapter());
        pane.resize(310, pane.sizeHint().height());
        showAndActivate(&pane);
    }
    QList<QWidget*> visibleRows() const {
        QList<QWidget*> rows;
        for (QWidget* row : pane.rows()) {
            if (row->isVisibleTo(&pane)) {
                rows.append(row);
            }
        }
        return rows;
    }
    double option(const QString& keyPath) const {
        return document->valueForKeyPath(keyPath).toDouble();
    }
    QList<QWidget*> rowsOf(const QList<QWidget*>& controls) const {
        QList<QWidget*> rows;
        for (QWidget* control : controls) {
            rows.append(pane.rowOf(control));
        }
        return rows;
    }
};

} // namespace

TEST_F(BitmapPane, SwitchingToHalftoneShowsExactlyTheHalftoneRows) {
    EXPECT_EQ(visibleRows(), rowsOf({pane.thresholdSlider(), pane.expansionSlider(),
                                     pane.binarizationCheckBox()}));
    EXPECT_EQ(pane.kindSegmentedControl()->selectedSegment(), 0);

    pane.binarizationCheckBox()->click();
    EXPECT_EQ(document->blackConversionType(), ambrel::BlackConversionType::halftone);
    EXPECT_EQ(pane.kindSegmentedControl()->selectedSegment(), 1);
    EXPECT_EQ(visibleRows(),
              rowsOf({pane.halftoneBlackSlider(), pane.halftoneWhiteSlider(),
                      pane.halftoneBrightnessSlider(), pane.binarizationCheckBox()}));

    // The segments choose the same way, and undo comes back through the document.
    PaneDocument::settle();
    QTest::mouseClick(pane.kindSegmentedControl()->segment(0), Qt::LeftButton);
    EXPECT_EQ(document->blackConversionType(), ambrel::BlackConversionType::threshold);
    EXPECT_TRUE(pane.binarizationCheckBox()->isChecked());
    PaneDocument::settle();
    document.undo().undo();
    EXPECT_EQ(pane.kindSegmentedControl()->selectedSegment(), 1);
    EXPECT_FALSE(pane.binarizationCheckBox()->isChecked());
    EXPECT_FALSE(pane.thresholdSlider()->isVisibleTo(&pane));
}

TEST_F(BitmapPane, TheExpansionRowShowsUnlessTheModelSaysItHasNone) {
    document->setDeviceDescriptor(model(R"("additionalInfos": {"BlackConversion":
        {"threshold": {"isExpansionAvailable": false}, "halftone": {}}})"));
    EXPECT_EQ(visibleRows(), rowsOf({pane.thresholdSlider(), pane.binarizationCheckBox()}));

    document->setDeviceDescriptor(model(halftone));
    EXPECT_TRUE(pane.expansionSlider()->isVisibleTo(&pane));

    // Without a document: the threshold rows and the check box.
    pane.binarizationCheckBox()->click();
    pane.setDocument(nullptr);
    EXPECT_EQ(visibleRows(), rowsOf({pane.thresholdSlider(), pane.expansionSlider(),
                                     pane.binarizationCheckBox()}));
}

TEST_F(BitmapPane, DraggingTheThresholdWritesEveryChangeAsOneUndoStep) {
    int writes = 0;
    auto counting = document->observe(thresholdKey, [&](const auto&) { ++writes; });
    dragSlider(pane.thresholdSlider(), {10, 20, 20, 40});
    PaneDocument::settle();
    const double dragged = option(thresholdKey);
    EXPECT_GT(dragged, 0.5);
    // Three different positions on the way, each written once; the repeated
    // one writes nothing.
    EXPECT_EQ(writes, 3);
    EXPECT_EQ(pane.thresholdNumberLabel()->text(),
              QStringLiteral("%1 %").arg(std::lround(dragged * 100)));
    // One undo step for the whole drag.
    document.undo().undo();
    EXPECT_FALSE(document.undo().canUndo());
    EXPECT_EQ(option(thresholdKey), 0.5);
    EXPECT_DOUBLE_EQ(pane.thresholdSlider()->doubleValue(), 0.5);

    // The expansion level is whole.
    dragSlider(pane.expansionSlider(), {30});
    const double level = option(expansionKey);
    EXPECT_GT(level, 0);
    EXPECT_EQ(level, std::round(level));
}

TEST_F(BitmapPane, RevertBouncesOnlyTheSlidersThatMovedAndOnlyTheCurrentKind) {
    pane.revertToDefault();
    EXPECT_TRUE(InspectorAnimations::records().isEmpty());

    document->setValueForKeyPath(thresholdKey, 0.8);
    document->setValueForKeyPath(whiteClampKey, 0.2);
    QTest::mouseClick(pane.revertButton(), Qt::LeftButton);
    EXPECT_EQ(option(thresholdKey), 0.5);
    EXPECT_EQ(option(whiteClampKey), 0.2);
    ASSERT_EQ(InspectorAnimations::records().size(), 1);
    EXPECT_TRUE(InspectorAnimations::wasRecorded(pane.thresholdSlider(), "bounce"));

    InspectorAnimations::clearRecords();
    document->setValueForKeyPath(thresholdKey, 0.7);
    document->changeBlackConversionType(ambrel::BlackConversionType::halftone);
    pane.revertToDefault();
    EXPECT_EQ(option(thresholdKey), 0.7);
    EXPECT_EQ(option(whiteClampKey), 0.0);
    EXPECT_TRUE(InspectorAnimations::wasRecorded(pane.halftoneWhiteSlider(), "bounce"));
    EXPECT_FALSE(InspectorAnimations::wasRecorded(pane.thresholdSlider(), "bounce"));
}
