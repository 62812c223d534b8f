#include "core/document/application/PrintJobDocument.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MachineStatusManager.h"
#include "core/window/MaintenancePaneViewController_Actions.h"
#include "core/window/MaintenancePaneViewController_Status.h"
#include "core/window/MaintenancePopover.h"
#include "core/window/MaintenanceViewController.h"
#include "core/window/tests/WindowTestModels.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/KeyboardModifiers.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <thread>

using kestrom::MachineStatusManager;
using kestrom::MaintenancePaneViewController_Actions;
using kestrom::MaintenancePaneViewController_Status;
using kestrom::MaintenanceViewController;
using Kind = MachineStatusManager::ViewStatus::Kind;

namespace {

class SlowStatusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ambrel::ConnectPluginManager::shared().load(
            {std::make_shared<window_test::SlowStatusPlugin>()});
    }
};

[[maybe_unused]] const auto* environment =
    ::testing::AddGlobalTestEnvironment(new SlowStatusEnvironment);

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

struct MachineStatusTest : ::testing::Test {
    MachineStatusManager manager;
    MachineStatusTest() {
        window_test::statusReads = 0;
        window_test::statusReadsCancelled = 0;
        window_test::statusFails = false;
        manager.setDeviceDescriptor(window_test::model(QStringLiteral("Stencil One")));
        manager.setTransportTypeString(QStringLiteral("usb"));
    }
    bool waitForValue() {
        return waitUntil([this] { return manager.viewStatus().kind == Kind::hasValue; });
    }
};

} // namespace

TEST_F(MachineStatusTest, AReloadReadsOnceAndPublishesReadingThenTheValues) {
    QSignalSpy changes(&manager, &MachineStatusManager::viewStatusChanged);
    int notifications = 0;
    auto observer = platform::NotificationCenter::defaultCenter().addObserver(
        MachineStatusManager::viewStatusDidChangeNotification, &manager,
        [&](const platform::Notification&) { ++notifications; });

    manager.reload();
    EXPECT_TRUE(manager.isReloading());
    ASSERT_TRUE(manager.reloadProgress());
    EXPECT_TRUE(manager.statusElements().isEmpty());
    manager.reload(); // already reading: nothing new
    ASSERT_TRUE(waitForValue());
    EXPECT_EQ(window_test::statusReads, 1);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(notifications, 2);
    EXPECT_FALSE(manager.reloadProgress());
    ASSERT_EQ(manager.statusElements().size(), 3);
    EXPECT_EQ(manager.statusElements().first().localizedValue(), QStringLiteral("Stencil One"));
    EXPECT_FALSE(manager.viewStatus().error);

    // A second read empties the list while it runs.
    manager.reload();
    EXPECT_TRUE(manager.statusElements().isEmpty());
    ASSERT_TRUE(waitForValue());
    EXPECT_EQ(window_test::statusReads, 2);
}

TEST_F(MachineStatusTest, WithoutModelOrKnownTransportNothingIsRead) {
    manager.setTransportTypeString(QStringLiteral("bluetooth"));
    EXPECT_EQ(manager.transportTypeString(), QStringLiteral("bluetooth"));
    EXPECT_FALSE(manager.transportType());
    manager.reload();
    EXPECT_EQ(manager.viewStatus().kind, Kind::empty);

    manager.setTransportTypeString(QStringLiteral("wifi"));
    manager.setDeviceDescriptor(nullptr);
    manager.reload();
    EXPECT_EQ(manager.viewStatus().kind, Kind::empty);
    EXPECT_EQ(window_test::statusReads, 0);
}

TEST_F(MachineStatusTest, AReadThatOutlivesItsManagerTouchesNothing) {
    auto* doomed = new MachineStatusManager;
    doomed->setDeviceDescriptor(window_test::model(QStringLiteral("Stencil One")));
    doomed->setTransportTypeString(QStringLiteral("usb"));
    doomed->reload();
    delete doomed;
    // The answer arrives after the manager is gone and is dropped.
    manager.reload();
    ASSERT_TRUE(waitForValue());
    QTest::qWait(150);
    EXPECT_EQ(window_test::statusReads, 2);
}

TEST_F(MachineStatusTest, ViewStatusesCompareByTheirReadsAndErrorTexts) {
    MachineStatusManager::ViewStatus a;
    MachineStatusManager::ViewStatus b;
    EXPECT_EQ(a, b);
    a.kind = b.kind = Kind::hasValue;
    a.elements = b.elements = {ambrel::DeviceStatusElement::firmware(QStringLiteral("V1"))};
    a.error = ambrel::ConnectionError(ambrel::ConnectionError::Case::printerIsBusy).clone();
    EXPECT_FALSE(a == b);
    b.error = ambrel::ConnectionError(ambrel::ConnectionError::Case::printerIsBusy).clone();
    EXPECT_EQ(a, b);
    b.kind = Kind::isReloading;
    EXPECT_FALSE(a == b);
}

TEST_F(MachineStatusTest, ThePaneShowsTheControlsOfEachStateAndTheInkLevel) {
    window_test::statusFails = true;
    MaintenancePaneViewController_Status pane;
    pane.setStatusManager(&manager);
    pane.show();
    EXPECT_TRUE(pane.progressIndicator()->isVisible());
    EXPECT_TRUE(pane.cancelButton()->isVisible());
    EXPECT_FALSE(pane.reloadButton()->isVisible());
    EXPECT_FALSE(pane.copyButton()->isVisible());
    EXPECT_FALSE(pane.canClose());
    ASSERT_TRUE(waitForValue());
    EXPECT_TRUE(pane.canClose());
    EXPECT_FALSE(pane.progressIndicator()->isVisible());
    EXPECT_TRUE(pane.reloadButton()->isVisible());
    EXPECT_TRUE(pane.copyButton()->isVisible());
    ASSERT_EQ(pane.tableView()->rowCount(), 4);
    EXPECT_EQ(pane.tableView()->item(1, 1)->text(), QStringLiteral("V1.2"));
    // The ink: the bar at 4.56 of ten, the text rounded to 46 %.
    QWidget* ink = pane.tableView()->cellWidget(2, 1);
    ASSERT_TRUE(ink);
    EXPECT_DOUBLE_EQ(ink->findChild<QProgressBar*>()->property("level").toDouble(), 4.56);
    EXPECT_EQ(ink->findChild<QLabel*>()->text(), QStringLiteral("46%"));
    const ambrel::ConnectionError busy(ambrel::ConnectionError::Case::printerIsBusy);
    EXPECT_EQ(pane.errorLabel()->text(),
              QStringLiteral("\u26A0\uFE0F ") + busy.localizedDescription());
    EXPECT_EQ(pane.errorLabel()->toolTip(), busy.localizedRecoverySuggestion().value_or(QString()));
}

TEST_F(MachineStatusTest, CopyPutsTheLabelSeparatorValueLinesOnTheClipboard) {
    MaintenancePaneViewController_Status pane;
    pane.setStatusManager(&manager);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    pane.copy(); // nothing read yet
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    manager.reload();
    pane.copy(); // still reading
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    ASSERT_TRUE(waitForValue());
    QTest::mouseClick(pane.copyButton(), Qt::LeftButton);
    QStringList expected;
    for (const auto& element : manager.statusElements()) {
        expected << element.localizedLabel() + ambrel::DeviceStatusElement::colonSeparator() +
                        element.localizedValue();
    }
    EXPECT_EQ(QApplication::clipboard()->text(), expected.join(QLatin1Char('\n')));
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(
        ambrel::DeviceStatusElement::modelName(QString()).localizedLabel()));
    EXPECT_FALSE(QApplication::clipboard()->text().endsWith(QLatin1Char('\n')));
}

TEST_F(MachineStatusTest, CancelEndsTheReadEarly) {
    MaintenancePaneViewController_Status pane;
    pane.setStatusManager(&manager);
    manager.reload();
    QTest::mouseClick(pane.cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForValue());
    // The read saw the cancel rather than sitting out its time.
    EXPECT_EQ(window_test::statusReads, 1);
    EXPECT_EQ(window_test::statusReadsCancelled, 1);
}

TEST_F(MachineStatusTest, ThePopoverRefusesToCloseWhileTheStatusIsRead) {
    QWidget window;
    window.resize(400, 300);
    window.show();
    kestrom::MaintenancePopover popover(&window);
    auto* content = new MaintenanceViewController;
    content->setDeviceDescriptor(window_test::model(QStringLiteral("Stencil One")));
    content->setTransportType(QStringLiteral("usb"));
    content->setStatusManager(&manager);
    popover.setContentViewController(content);
    popover.setShouldClose([content] { return content->canClose(); });
    QSignalSpy closed(&popover, &kestrom::MaintenancePopover::didClose);

    popover.show(&window);
    ASSERT_TRUE(popover.isVisible());
    ASSERT_TRUE(manager.isReloading()); // appearing starts the read
    EXPECT_FALSE(content->canClose());
    EXPECT_FALSE(popover.close());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      QPoint(390, 290)); // outside the popover
    QTest::keyClick(&popover, Qt::Key_Escape);
    EXPECT_TRUE(popover.isVisible());
    EXPECT_EQ(closed.count(), 0);

    // The action buttons wait for the read too.
    ASSERT_EQ(content->paneViewControllers().size(), 2);
    auto* actions = qobject_cast<MaintenancePaneViewController_Actions*>(
        content->paneViewControllers().first());
    ASSERT_TRUE(actions);
    ASSERT_EQ(actions->buttons().size(), 1);
    EXPECT_FALSE(actions->buttons().first()->isEnabled());

    ASSERT_TRUE(waitForValue());
    EXPECT_TRUE(content->canClose());
    EXPECT_TRUE(actions->buttons().first()->isEnabled());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(390, 290));
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(MachineStatusTest, PanesFollowTheModelAndTheDebugKeyChord) {
    MaintenanceViewController content;
    content.setDeviceDescriptor(window_test::model(QStringLiteral("Stencil Two")));
    content.rebuildPanes();
    ASSERT_EQ(content.paneViewControllers().size(), 1); // no actions: the status alone
    EXPECT_TRUE(
        qobject_cast<MaintenancePaneViewController_Status*>(content.paneViewControllers().first()));

    using Keys = platform::KeyboardModifiers;
    for (const auto& [held, count] :
         {std::pair{Keys::Flags(Keys::option), 1}, std::pair{Keys::Flags(Keys::command), 1},
          std::pair{Keys::option | Keys::command, 2}}) {
        Keys::setSource([held = held] { return held; });
        content.setDeviceDescriptor(window_test::model(QStringLiteral("Stencil One")));
        content.rebuildPanes();
        auto* actions = qobject_cast<MaintenancePaneViewController_Actions*>(
            content.paneViewControllers().first());
        ASSERT_TRUE(actions);
        EXPECT_EQ(actions->buttons().size(), count) << int(held);
    }
    Keys::setSource({});
}

// The running application reads the held keys from the toolkit: pressing
// the maintenance button while Alt and the logo key are held shows the
// debugging action as well.
TEST_F(MachineStatusTest, AltWithTheLogoKeyShowsTheDebuggingActionsInTheRunningWindow) {
    QTemporaryDir folder;
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("defaults.plist")));
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    platform::UserDefaults::standard().setString(QStringLiteral("LastModelName"),
                                                 QStringLiteral("Stencil One"));
    delegate.newDocument();
    auto* window =
        kestrom::DocumentWindow::windowFor(delegate.documentController()->documents().last());
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const auto shownActions = [window] {
        auto* actions =
            window->maintenancePopover()->findChild<MaintenancePaneViewController_Actions*>();
        return actions ? actions->buttons().size() : -1;
    };
    const auto closePopover = [window] {
        EXPECT_TRUE(waitUntil([window] { return !window->statusManager()->isReloading(); }));
        window->dismissMaintenance();
        QTest::qWait(20);
    };

    QTest::mouseClick(window->maintenanceButton(), Qt::LeftButton);
    ASSERT_TRUE(window->maintenancePopover()->isVisible());
    EXPECT_EQ(shownActions(), 1);
    closePopover();

    const Qt::KeyboardModifiers chord = Qt::AltModifier | Qt::MetaModifier;
    QTest::keyPress(window, Qt::Key_Meta, chord);
    QApplication::processEvents();
    QTest::mouseClick(window->maintenanceButton(), Qt::LeftButton, chord);
    ASSERT_TRUE(window->maintenancePopover()->isVisible());
    EXPECT_EQ(shownActions(), 2);
    using Keys = platform::KeyboardModifiers;
    // A print run reads them on its own thread, as the last input left them.
    const auto heldOffTheMainThread = [] {
        Keys::Flags held;
        std::thread([&held] { held = Keys::current(); }).join();
        return held;
    };
    EXPECT_EQ(Keys::current(), Keys::option | Keys::command);
    EXPECT_EQ(heldOffTheMainThread(), Keys::option | Keys::command);
    closePopover();
    QTest::keyRelease(window, Qt::Key_Meta, chord);
    QTest::keyRelease(window, Qt::Key_Alt, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(heldOffTheMainThread(), Keys::Flags());
}
