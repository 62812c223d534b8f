#include "app/application/Application.h"
#include "core/canvas/GridView.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/launch/AppDelegate.h"
#include "core/launch/MainMenu.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MachineStatusManager.h"
#include "core/window/MaintenancePaneViewController_Actions.h"
#include "core/window/MaintenancePopover.h"
#include "core/window/MaintenanceViewController.h"
#include "core/window/ProgressViewController.h"
#include "core/window/WindowRunPresenter.h"
#include "model/connections/ConnectPlugin.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/usb/SocketUsbHost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <iostream>

using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;

namespace {

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    return QTest::qWaitFor(condition, milliseconds);
}

// The shipped stencil models offer no maintenance action; this one is the
// first of them with one, served by the same plug-in.
class ServiceModelPlugin : public ambrel::ConnectPlugin {
public:
    QString deviceDescriptorsJson() const override {
        QFile file(platform::Bundle::named(QStringLiteral("TavrinConnect"))->resourceRoot() +
                   QStringLiteral("/VAZModelInfos.json"));
        file.open(QIODevice::ReadOnly);
        QJsonObject model = QJsonDocument::fromJson(file.readAll()).array().first().toObject();
        model[QStringLiteral("modelName")] = QStringLiteral("Service Stencil");
        model[QStringLiteral("maintenanceActions")] =
            QJsonArray{QJsonObject{{QStringLiteral("identifier"), QStringLiteral("clean")}}};
        return QString::fromUtf8(QJsonDocument(QJsonArray{model}).toJson());
    }
    std::shared_ptr<ambrel::DeviceConnection>
    newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>&,
                  ambrel::TransportType) const override {
        return nullptr; // the stencil plug-in serves its printer type
    }
    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("TavrinConnect"));
    }
};

// Pictures for review go to LUNVIK_REVIEW_DIR when it is set.
void review(QWidget* widget, const char* name, bool settle = true) {
    const QString folder = qEnvironmentVariable("LUNVIK_REVIEW_DIR");
    if (!folder.isEmpty()) {
        if (settle) {
            QTest::qWait(30);
        }
        widget->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
    }
}

// The whole screen, where there is one (an X server), for the popover in place.
void reviewScreen(const char* name) {
    const QString folder = qEnvironmentVariable("LUNVIK_REVIEW_DIR");
    if (!folder.isEmpty() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        QTest::qWait(30);
        QGuiApplication::primaryScreen()->grabWindow(0).save(
            QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
    }
}

// Opens a menu of the window's menu bar as a user does, by clicking its title.
QMenu* openMenu(DocumentWindow* window, const QString& name) {
    QMenuBar* bar = window->menuBar();
    for (QAction* top : bar->actions()) {
        if (top->menu() && top->menu()->objectName() == name) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
            return waitUntil([top] { return top->menu()->isVisible(); }, 2000) ? top->menu()
                                                                               : nullptr;
        }
    }
    return nullptr;
}

void closeMenu(QMenu* menu, DocumentWindow* window) {
    QTest::keyClick(menu, Qt::Key_Escape);
    waitUntil([menu] { return !menu->isVisible(); }, 2000);
    QTest::keyClick(window->menuBar(), Qt::Key_Escape);
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(50, 50, 54));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(60, 60, 64));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    p.setColor(QPalette::PlaceholderText, QColor(140, 140, 140));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    return p;
}

} // namespace

// A document window over the simulator program: a picture, the status read
// in the maintenance popover, a maintenance action and a print.
TEST(DocumentWindowEndToEndTest, PictureStatusMaintenanceAndPrintAgainstTheSimulatorProgram) {
    QTemporaryDir folder;
    const QString socket = folder.filePath(QStringLiteral("stencil.sock"));
    const QString jobs = folder.filePath(QStringLiteral("jobs"));
    QProcess simulator;
    simulator.start(QStringLiteral(LUNVIK_SIMULATOR),
                    {QStringLiteral("--socket"), socket, QStringLiteral("--png-dir"), jobs,
                     QStringLiteral("--firmware"), QStringLiteral("V2.10"),
                     QStringLiteral("--serial"), QStringLiteral("SN-20931"),
                     QStringLiteral("--temperature"), QStringLiteral("41")});
    ASSERT_TRUE(simulator.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }, 10000));
    qputenv(platform::SocketUsbHost::environmentVariable, QFile::encodeName(socket));
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("defaults.plist")));
    lunvik::Application::registerDevicePlugin(
        platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    ambrel::ConnectPluginManager::shared().load({std::make_shared<ServiceModelPlugin>()});
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/bundles/Lunvik/AppIcon.svg")));

    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    kestrom::MainMenu::rename(*delegate.mainMenu(), QStringLiteral("Lunvik"));
    platform::UserDefaults::standard().setString(QStringLiteral("LastModelName"),
                                                 QStringLiteral("Service Stencil"));

    // Opening a window with a picture, until it is drawn and takes input (how
    // soon: FirstWindowBenchmark).
    delegate.newDocument();
    auto* document =
        qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().last());
    ASSERT_TRUE(document);
    document->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
        QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
    document->job().setImageSizeWithWidthForDisplay_mm(120);
    DocumentWindow* window = DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->grab();
    EXPECT_TRUE(window->gridView()->originalImage());
    review(window, "window-light");

    // The picture's commands, in the menu bar, named for a bitmap picture.
    QMenu* pictureMenu = openMenu(window, QStringLiteral("Menu_Picture"));
    ASSERT_TRUE(pictureMenu);
    auto* actualSize =
        pictureMenu->findChild<QAction*>(QStringLiteral("PrintDocument_Menu_ActualSize"));
    ASSERT_TRUE(actualSize);
    EXPECT_EQ(actualSize->text(), QStringLiteral("&Dot by Dot"));
    EXPECT_TRUE(actualSize->isEnabled());
    review(pictureMenu, "picture-menu");
    reviewScreen("screen-picture-menu");
    closeMenu(pictureMenu, window);

    // The status, read from the simulator in the maintenance popover.
    QElapsedTimer reading;
    reading.start();
    QTest::mouseClick(window->maintenanceButton(), Qt::LeftButton);
    ASSERT_TRUE(window->maintenancePopover()->isVisible());
    ASSERT_TRUE(window->statusManager()->isReloading());
    EXPECT_FALSE(window->maintenancePopover()->close());
    review(window->maintenancePopover(), "status-popover-reading", false);
    ASSERT_TRUE(waitUntil([&] { return !window->statusManager()->isReloading(); }, 20000));
    const qint64 readMs = reading.elapsed();
    auto* table = window->maintenancePopover()->findChild<QTableWidget*>();
    ASSERT_TRUE(table);
    EXPECT_GT(table->rowCount(), 5);
    EXPECT_FALSE(window->statusManager()->viewStatus().error)
        << window->statusManager()->viewStatus().error->localizedDescription().toStdString();
    QStringList values;
    for (int row = 0; row < table->rowCount(); ++row) {
        values << (table->item(row, 1) ? table->item(row, 1)->text() : QString());
    }
    EXPECT_TRUE(values.contains(QStringLiteral("V2.10"))) << values.join(", ").toStdString();
    std::cout << "status lines shown " << readMs << " ms after the click" << std::endl;
    // The computer is named: by its firmware, else by its host name.
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0) && table->item(row, 0)->text() == QStringLiteral("Computer")) {
            EXPECT_NE(table->item(row, 1)->text(), QStringLiteral("Unknown"));
        }
    }
    window->maintenancePopover()->adjustSize();
    review(window->maintenancePopover(), "maintenance-popover");
    reviewScreen("screen-maintenance-popover");

    // A maintenance action from the popover: the popover closes, the run
    // shows its sheet and ends without an error.
    auto* actions =
        window->maintenancePopover()->findChild<kestrom::MaintenancePaneViewController_Actions*>();
    ASSERT_TRUE(actions);
    ASSERT_EQ(actions->buttons().size(), 1);
    QTest::mouseClick(actions->buttons().first(), Qt::LeftButton);
    EXPECT_FALSE(window->maintenancePopover()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !window->runPresenter()->isShowingSheet(); }, 20000));
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));

    // A print reaches the simulator.
    delegate.printDocument();
    ASSERT_TRUE(waitUntil(
        [&] {
            return window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")) ||
                   QFileInfo::exists(QDir(jobs).filePath(QStringLiteral("job-1.png")));
        },
        60000));
    ASSERT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")))
        << window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"))->text().toStdString();
    ASSERT_TRUE(waitUntil([&] { return !window->runPresenter()->progressSheet(); }, 20000));
    if (auto* alert = window->findChild<kestrom::CompletionAlert*>()) {
        alert->okButton()->click();
    }

    // The same window in a dark palette.
    QApplication::setPalette(darkPalette());
    QTest::qWait(50);
    review(window, "window-dark");
    reviewScreen("screen-window-dark");
    pictureMenu = openMenu(window, QStringLiteral("Menu_Picture"));
    ASSERT_TRUE(pictureMenu);
    review(pictureMenu, "picture-menu-dark");
    closeMenu(pictureMenu, window);
    QMenu* viewMenu = openMenu(window, QStringLiteral("Menu_View"));
    ASSERT_TRUE(viewMenu);
    review(viewMenu, "view-menu-dark");
    reviewScreen("screen-view-menu-dark");
    closeMenu(viewMenu, window);
    QTest::mouseClick(window->maintenanceButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window->statusManager()->isReloading(); }, 20000));
    window->maintenancePopover()->adjustSize();
    review(window->maintenancePopover(), "maintenance-popover-dark");
    window->dismissMaintenance();

    simulator.terminate();
    simulator.waitForFinished();
}
