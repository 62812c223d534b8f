#include "core/inspector/InspectorViewController.h"
#include "core/inspector/InspectorPaneViewController_Title.h"
#include "core/inspector/InspectorPanesStackViewController.h"
#include "core/inspector/InspectorSeparatorViewController.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

const QByteArray sequences =
    printerOptions + R"(, "additionalInfos": {"imageSplit": {"supportsMultipleSequences": true}})";

QStringList shownPanes(const InspectorViewController& inspector) {
    QStringList names;
    for (auto* pane : inspector.panesStackViewController()->paneViewControllers()) {
        if (qobject_cast<InspectorSeparatorViewController*>(pane)) {
            names.append(QStringLiteral("|"));
        } else {
            names.append(pane->objectName().isEmpty()
                             ? QString::fromLatin1(pane->metaObject()->className())
                             : pane->objectName());
        }
    }
    return names;
}

struct Fixture : ::testing::Test {
    InspectorViewController inspector;
    PaneDocument document;

    void SetUp() override {
        registerStandInPanes({"Image", "Bitmap", "Print", "PrinterOptions"});
        inspector.resize(300, 700);
        showAndActivate(&inspector);
        inspector.setDocument(document.adapter());
        InspectorAnimations::clearRecords();
    }
};

} // namespace

using InspectorViewControllerTest = Fixture;

TEST_F(InspectorViewControllerTest, GeneralPageShowsItsPanesWithThePrintPanePinned) {
    inspector.setDeviceDescriptor(model(sequences));
    EXPECT_EQ(shownPanes(inspector),
              (QStringList{"Image", "|", "kestrom::InspectorPaneViewController_ImageLayout"}));
    ASSERT_NE(inspector.bottomPaneViewController(), nullptr);
    EXPECT_EQ(inspector.bottomPaneViewController()->objectName(), QStringLiteral("Print"));
    EXPECT_NE(inspector.bottomPaneSeparatorViewController(), nullptr);
    EXPECT_TRUE(inspector.isRoot());
    EXPECT_FALSE(inspector.showsPrintPreview());
    // One tab and the root: no title.
    EXPECT_TRUE(inspector.titleViewController()->isHidden());
    EXPECT_TRUE(inspector.titleSeparatorViewController()->isHidden());
    // A side panel of 300 px holds it.
    EXPECT_LE(inspector.minimumSizeHint().width(), 300);
    // Every pane shown has the document.
    for (auto* pane : inspector.panesStackViewController()->paneViewControllers()) {
        EXPECT_EQ(pane->document(), &*document);
    }
}

TEST_F(InspectorViewControllerTest, PushingAdvancedShowsItsPanesWithASlide) {
    inspector.setDeviceDescriptor(model(sequences));
    QSignalSpy preview(&inspector, &InspectorViewController::showsPrintPreviewChanged);
    InspectorAnimations::clearRecords();
    inspector.pushPage(QStringLiteral("advanced"));
    EXPECT_EQ(
        shownPanes(inspector),
        (QStringList{"Bitmap", "|", "kestrom::InspectorPaneViewController_HorizontalImageSplit",
                     "|", "PrinterOptions", "|", "Print"}));
    EXPECT_EQ(inspector.bottomPaneViewController(), nullptr);
    EXPECT_EQ(inspector.bottomPaneSeparatorViewController(), nullptr);
    EXPECT_TRUE(InspectorAnimations::wasRecorded(inspector.panesStackViewController(),
                                                 QStringLiteral("transition")));
    EXPECT_FALSE(inspector.isRoot());
    EXPECT_EQ(inspector.currentNavigationItemTitle(), QStringLiteral("Advanced"));
    EXPECT_FALSE(inspector.titleViewController()->isHidden());
    EXPECT_FALSE(inspector.titleViewController()->popButton()->isHidden());
    EXPECT_EQ(inspector.titleViewController()->titleLabel()->text(), QStringLiteral("Advanced"));
    ASSERT_EQ(preview.count(), 1);
    EXPECT_TRUE(preview.at(0).at(0).toBool());

    // The back button returns to the root and hides the title again.
    QTest::mouseClick(inspector.titleViewController()->popButton(), Qt::LeftButton);
    EXPECT_TRUE(inspector.isRoot());
    EXPECT_TRUE(inspector.titleViewController()->isHidden());
    EXPECT_FALSE(inspector.showsPrintPreview());
}

TEST_F(InspectorViewControllerTest, UnknownPagesAndPushesWithoutAModelChangeNothing) {
    inspector.pushPage(QStringLiteral("advanced"));
    EXPECT_TRUE(inspector.navigationItems().isEmpty());
    inspector.setDeviceDescriptor(model(sequences));
    const auto before = inspector.navigationItems();
    InspectorAnimations::clearRecords();
    inspector.pushPage(QStringLiteral("nowhere"));
    EXPECT_EQ(inspector.navigationItems(), before);
    EXPECT_TRUE(InspectorAnimations::records().isEmpty());
}

TEST_F(InspectorViewControllerTest, PushesAndPopsStopAtTheRoot) {
    inspector.setDeviceDescriptor(model(sequences));
    inspector.pushPage(QStringLiteral("advanced"));
    inspector.pushPage(QStringLiteral("advanced"));
    ASSERT_EQ(inspector.navigationItems().size(), 3);
    EXPECT_NE(inspector.navigationItems()[1], inspector.navigationItems()[2]);
    inspector.pop();
    inspector.pop();
    EXPECT_TRUE(inspector.isRoot());
    inspector.pop();
    EXPECT_EQ(inspector.navigationItems().size(), 1);
}

TEST_F(InspectorViewControllerTest, PanesKeepTheirStateUnderPushedPages) {
    inspector.setDeviceDescriptor(model(sequences));
    auto* layout = inspector.panesStackViewController()->paneViewControllers().back();
    inspector.pushPage(QStringLiteral("advanced"));
    EXPECT_EQ(layout->document(), &*document);
    const auto pushed = inspector.navigationItems().back()->viewControllers();
    inspector.pop();
    EXPECT_EQ(inspector.panesStackViewController()->paneViewControllers().back(), layout);
    // The popped page's panes lost the document.
    for (auto* pane : pushed) {
        EXPECT_EQ(pane->document(), nullptr);
    }
}

TEST_F(InspectorViewControllerTest, TheSameModelKeepsTheStackAndAnotherTabDropsIt) {
    const auto twoTabs = model(printerOptions + R"(, "additionalInfos": {"Dovrel.inspector":
        {"inspectorTabPages": ["general", "advanced"]}})");
    inspector.setDeviceDescriptor(twoTabs);
    // Two tabs: the title is always shown.
    EXPECT_FALSE(inspector.titleViewController()->isHidden());
    auto* tabs = inspector.titleViewController()->segmentedControl();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Advanced"));

    inspector.pushPage(QStringLiteral("advanced"));
    inspector.setDeviceDescriptor(twoTabs);
    EXPECT_EQ(inspector.navigationItems().size(), 2);
    // Choosing the root's tab keeps the pushed page; another tab drops it.
    inspector.setSelectedTabPageDescriptor(
        inspector.titleViewController()->tabPageDescriptors()[0]);
    EXPECT_EQ(inspector.navigationItems().size(), 2);
    InspectorAnimations::clearRecords();
    tabs->setCurrentIndex(1);
    ASSERT_EQ(inspector.navigationItems().size(), 1);
    EXPECT_EQ(inspector.selectedTabPageDescriptor()->identifier(), QStringLiteral("advanced"));
    EXPECT_FALSE(InspectorAnimations::wasRecorded(inspector.panesStackViewController(),
                                                  QStringLiteral("transition")));

    // A new model fades its first page in; no model empties the inspector.
    inspector.setDeviceDescriptor(model());
    EXPECT_TRUE(InspectorAnimations::wasRecorded(inspector.panesStackViewController(),
                                                 QStringLiteral("transition")));
    inspector.setDeviceDescriptor(nullptr);
    EXPECT_TRUE(inspector.navigationItems().isEmpty());
    EXPECT_TRUE(inspector.panesStackViewController()->paneViewControllers().isEmpty());
    EXPECT_EQ(inspector.bottomPaneViewController(), nullptr);
    EXPECT_EQ(inspector.titleViewController()->segmentedControl()->count(), 1);
}

TEST_F(InspectorViewControllerTest, APinnedPageWithOnePaneHasOnlyABottomPane) {
    inspector.setDeviceDescriptor(model(R"("additionalInfos": {"Dovrel.inspector": {
        "inspectorTabPages": ["one", "none"],
        "inspectorPages": [{"identifier": "one", "panes": ["Print"], "sticksLastPane": true},
                           {"identifier": "none", "panes": [], "sticksLastPane": true}]}})"));
    EXPECT_TRUE(inspector.panesStackViewController()->paneViewControllers().isEmpty());
    ASSERT_NE(inspector.bottomPaneViewController(), nullptr);
    EXPECT_EQ(inspector.bottomPaneViewController()->objectName(), QStringLiteral("Print"));
    inspector.titleViewController()->segmentedControl()->setCurrentIndex(1);
    EXPECT_EQ(inspector.bottomPaneViewController(), nullptr);
    EXPECT_EQ(inspector.bottomPaneSeparatorViewController(), nullptr);
}

TEST_F(InspectorViewControllerTest, ShadowsAndFloatingSeparatorsFollowTheScrolling) {
    inspector.resize(300, 260);
    inspector.setDeviceDescriptor(model(sequences));
    inspector.pushPage(QStringLiteral("advanced"));
    QCoreApplication::processEvents();
    auto* stack = inspector.panesStackViewController();
    QScrollBar* bar = stack->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_FALSE(stack->isTopOverflown());
    EXPECT_TRUE(stack->isBottomOverflown());
    EXPECT_EQ(stack->topShadowView()->opacity(), 0);
    EXPECT_EQ(stack->bottomShadowView()->opacity(), 1);
    bar->setValue(bar->maximum());
    EXPECT_TRUE(stack->isTopOverflown());
    EXPECT_FALSE(stack->isBottomOverflown());
    EXPECT_TRUE(inspector.titleSeparatorViewController()->isFloating());
    stack->setShowsTopShadow(false);
    EXPECT_FALSE(stack->isTopOverflown());
    EXPECT_EQ(stack->topShadowView()->opacity(), 0);
    EXPECT_FALSE(inspector.titleSeparatorViewController()->isFloating());
}

// The pinned pane stays at the foot of the inspector; the line above it shows
// only while the panes reach down to it, within 30 points.
TEST_F(InspectorViewControllerTest, TheLineAboveThePinnedPaneHidesWhenThePanesEndWellAboveIt) {
    inspector.setDeviceDescriptor(model(sequences));
    QApplication::processEvents();
    auto* stack = inspector.panesStackViewController();
    InspectorPaneViewController* pinned = inspector.bottomPaneViewController();
    InspectorSeparatorViewController* line = inspector.bottomPaneSeparatorViewController();
    ASSERT_TRUE(pinned && line);
    EXPECT_EQ(pinned->geometry().bottom() + 1, inspector.height() - 8);
    const int panes = stack->stackView()->sizeHint().height();
    ASSERT_GT(stack->viewport()->height() - panes, 30);
    EXPECT_TRUE(line->isHidden());

    // The height at which the panes end exactly 30 points above the line.
    const int fitting = inspector.height() - (stack->viewport()->height() - panes) + 30;
    for (const auto& [height, hidden] : {std::pair{fitting, false}, std::pair{fitting + 1, true},
                                         std::pair{fitting - 10, false}}) {
        inspector.resize(300, height);
        QApplication::processEvents();
        ASSERT_EQ(inspector.height(), height);
        EXPECT_EQ(line->isHidden(), hidden) << height;
        EXPECT_EQ(pinned->geometry().bottom() + 1, height - 8);
    }
    // Hidden or shown, the line keeps its room: the panes do not jump.
    inspector.resize(300, fitting);
    QApplication::processEvents();
    const int panesHeight = stack->height();
    inspector.resize(300, fitting + 1);
    QApplication::processEvents();
    ASSERT_TRUE(line->isHidden());
    EXPECT_EQ(stack->height(), panesHeight + 1);
}
