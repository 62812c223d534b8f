#include "core/canvas/MainContentSplitItemViewController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/inspector/CanvasInfoViewController.h"
#include "core/inspector/InspectorPaneViewController_Print.h"
#include "core/inspector/InspectorPanesStackViewController.h"
#include "core/inspector/InspectorViewController.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MachineStatusManager.h"
#include "core/window/MaintenancePopover.h"
#include "core/window/MaintenanceViewController.h"
#include "core/window/ToolbarController.h"
#include "core/window/tests/WindowTestModels.h"
#include "platform/UserDefaults.h"

#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using kestrom::AppDelegate;
using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;
using kestrom::ToolbarController;

namespace {

struct WindowControlsTest : ::testing::Test {
    QTemporaryDir folder;
    AppDelegate delegate;
    PrintJobDocument* document = nullptr;
    DocumentWindow* window = nullptr;

    WindowControlsTest() {
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        platform::UserDefaults::standard().setString(QStringLiteral("LastModelName"),
                                                     QStringLiteral("Stencil One"));
        delegate.newDocument();
        document =
            qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().last());
        window = DocumentWindow::windowFor(document);
    }

    void useModel(const char* name) {
        document->job().setDeviceDescriptor(window_test::model(QString::fromLatin1(name)));
    }
};

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

} // namespace

TEST_F(WindowControlsTest, TheWindowHoldsCanvasAndInspectorSideBySide) {
    ASSERT_TRUE(window);
    EXPECT_EQ(window->splitViewController()->widget(0),
              static_cast<QWidget*>(window->mainContentViewController()->view()));
    EXPECT_EQ(window->splitViewController()->widget(1),
              static_cast<QWidget*>(window->inspectorViewController()));
    EXPECT_EQ(window->inspectorViewController()->windowController(), static_cast<QWidget*>(window));
    EXPECT_EQ(window->inspectorViewController()->deviceDescriptor()->modelName(),
              QStringLiteral("Stencil One"));
    EXPECT_GE(window->inspectorViewController()->minimumWidth(), 300);
    EXPECT_LE(window->inspectorViewController()->maximumWidth(), 320);

    EXPECT_EQ(window->toggleInspectorMenuTitle(), QStringLiteral("Hide &Settings"));
    QTest::mouseClick(window->toggleInspectorButton(), Qt::LeftButton);
    EXPECT_TRUE(window->isInspectorCollapsed());
    EXPECT_FALSE(window->toggleInspectorButton()->isChecked());
    EXPECT_EQ(window->toggleInspectorMenuTitle(), QStringLiteral("Show &Settings"));
    window->toggleInspector();
    EXPECT_FALSE(window->isInspectorCollapsed());
    EXPECT_TRUE(window->toggleInspectorButton()->isChecked());
}

TEST_F(WindowControlsTest, TheFirstSizeShowsTheWholeInspectorWhereTheScreenHasRoom) {
    ASSERT_TRUE(window);
    // Shown on the test screen, the window keeps inside it as far as the
    // canvas and inspector can shrink.
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->frameGeometry().height(), screen.height());
    EXPECT_LE(window->width(), qMax(screen.width(), window->minimumSizeHint().width()));

    // A model with many settings makes the inspector's page taller than the
    // designed 700.
    QString settings;
    for (int i = 0; i < 3; ++i) {
        settings += QStringLiteral(R"(%1{"type": "number", "identifier": "s%2",
            "pane": "Print", "minValue": 1, "maxValue": 9})")
                        .arg(i ? QStringLiteral(",") : QString())
                        .arg(i);
    }
    const QString tall = QStringLiteral(R"([{"modelName": "Tall", "printerType": "slow",
        "headDotCount": 256, "dpi": 300, "offsetBases": ["center"],
        "canvases": [{"identifier": "A", "size_mm": {"width": 40, "height": 100}}],
        "parameterProperties": [%1]}])")
                             .arg(settings);
    document->job().setDeviceDescriptor(
        ambrel::DeviceDescriptor::deviceDescriptors(
            tall.toUtf8(), platform::Bundle::named(QStringLiteral("WindowTestPlugin")))
            .front());
    QCoreApplication::processEvents();
    const QScrollBar* bar =
        window->inspectorViewController()->panesStackViewController()->verticalScrollBar();
    const auto fit = [&](const QRect& available) {
        window->fitInitialSize(available);
        QCoreApplication::processEvents();
        return window->frameGeometry().size();
    };

    // Where there is room the window grows until the inspector needs no
    // scroll bar; the canvas keeps its designed width.
    const QSize roomy = fit(QRect(0, 0, 1400, 1000));
    EXPECT_FALSE(bar->isVisible());
    EXPECT_GT(window->height(), 700);
    EXPECT_LE(roomy.height(), 1000);
    EXPECT_EQ(window->width(), 1100);
    EXPECT_EQ(window->splitViewController()->sizes().value(1), 310);
    EXPECT_EQ(fit(QRect(0, 0, 2000, 2000)), roomy);

    // A smaller screen bounds the window, frame and all; the inspector scrolls.
    const QSize small = fit(QRect(0, 0, 1024, 600));
    EXPECT_LE(small.width(), 1024);
    EXPECT_LE(small.height(), 600);
    EXPECT_GT(small.height(), 500);
    EXPECT_TRUE(bar->isVisible());
}

TEST_F(WindowControlsTest, PopUpsShowOnlyWhereThereIsAChoice) {
    // One canvas and one transport: neither pop-up; maintenance is offered.
    EXPECT_EQ(window->modelPopUpButton()->currentText(), QStringLiteral("Stencil One"));
    EXPECT_FALSE(window->canvasPopUpButton()->isVisibleTo(window));
    EXPECT_FALSE(window->transportTypePopUpButton()->isVisibleTo(window));
    EXPECT_TRUE(window->maintenanceButton()->isVisibleTo(window));

    // Choosing the model in the pop-up changes the document and the window.
    const int two = window->modelPopUpButton()->findText(QStringLiteral("Stencil Two"));
    ASSERT_GE(two, 0);
    window->modelPopUpButton()->setCurrentIndex(two);
    emit window->modelPopUpButton()->activated(two);
    EXPECT_EQ(document->job().deviceDescriptor()->modelName(), QStringLiteral("Stencil Two"));
    EXPECT_TRUE(window->canvasPopUpButton()->isVisibleTo(window));
    EXPECT_EQ(window->canvasPopUpButton()->count(), 2);
    EXPECT_TRUE(window->transportTypePopUpButton()->isVisibleTo(window));
    EXPECT_FALSE(window->maintenanceButton()->isVisibleTo(window));

    // The canvas pop-up chooses the document's canvas and follows it back.
    const int other = 1 - window->canvasPopUpButton()->currentIndex();
    window->canvasPopUpButton()->setCurrentIndex(other);
    emit window->canvasPopUpButton()->activated(other);
    EXPECT_EQ(document->job().canvas()->name(), window->canvasPopUpButton()->itemText(other));
    document->job().changeTransportType(ambrel::TransportType::wifi);
    EXPECT_EQ(window->transportTypePopUpButton()->currentData().toString(), QStringLiteral("wifi"));
    EXPECT_EQ(window->statusManager()->transportTypeString(), QStringLiteral("wifi"));

    // Viewing an earlier version: no change of model or transport.
    document->job().setInViewingMode(true);
    EXPECT_FALSE(window->modelPopUpButton()->isEnabled());
    EXPECT_FALSE(window->transportTypePopUpButton()->isEnabled());
}

TEST_F(WindowControlsTest, EscapeGoesBackOnlyWhenTheInspectorHasAPageToGoBackTo) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    kestrom::InspectorViewController* inspector = window->inspectorViewController();
    ASSERT_TRUE(inspector->isRoot());
    const auto root = inspector->navigationItems();
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(inspector->navigationItems(), root);

    inspector->pushPage(QStringLiteral("advanced"));
    ASSERT_FALSE(inspector->isRoot());
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(inspector->isRoot());
}

TEST_F(WindowControlsTest, AnOpenBusyMaintenancePopoverBlocksModelChangesAndPrinting) {
    window->show();
    window->showMaintenanceSheet();
    ASSERT_TRUE(window->isPresentingMaintenancePopover());
    EXPECT_FALSE(window->modelPopUpButton()->isEnabled());
    ASSERT_TRUE(window->statusManager()->isReloading());
    EXPECT_FALSE(window->property("maintenanceCanClose").toBool());
    auto* print =
        window->inspectorViewController()->findChild<kestrom::InspectorPaneViewController_Print*>();
    ASSERT_TRUE(print);
    EXPECT_FALSE(print->canPrint());

    // The maintenance button does not close it during the read.
    window->showMaintenanceSheet();
    EXPECT_TRUE(window->maintenancePopover()->isVisible());

    ASSERT_TRUE(waitUntil([&] { return window->maintenanceCanClose(); }));
    window->dismissMaintenance();
    EXPECT_FALSE(window->isPresentingMaintenancePopover());
    EXPECT_TRUE(window->modelPopUpButton()->isEnabled());
}

TEST_F(WindowControlsTest, ServicesTakePicturesOnlyWhenNothingIsSent) {
    const QString pictureType = ambrel::OriginalImage::imageFileTypes().first();
    EXPECT_EQ(window->validRequestor(QString(), pictureType), document);
    EXPECT_FALSE(window->validRequestor(QStringLiteral("public.plain-text"), pictureType));
    EXPECT_FALSE(window->validRequestor(QString(), QStringLiteral("public.plain-text")));
}

TEST(ToolbarControllerTest, ItemsAreMadeOnceInTheirOrder) {
    QSplitter splitter;
    ToolbarController controller(&splitter);
    EXPECT_EQ(ToolbarController::defaultItemIdentifiers(),
              (QStringList{"machine", "separate1", "help",
                           ToolbarController::flexibleSpaceIdentifier, "inspector"}));
    EXPECT_EQ(ToolbarController::allowedItemIdentifiers().size(), 6);
    EXPECT_EQ(controller.item(QStringLiteral("help")), controller.item(QStringLiteral("help")));
    EXPECT_EQ(controller.item(QStringLiteral("odd"))->text(), QStringLiteral("odd"));
    EXPECT_EQ(controller.toolbar()->actions().size(), 5);
    EXPECT_FALSE(controller.helpButton()->icon().isNull());
    EXPECT_FALSE(controller.toggleInspectorButton()->icon().isNull());
}
