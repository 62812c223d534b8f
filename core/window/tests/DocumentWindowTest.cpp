#include "core/window/DocumentWindow.h"
#include "core/document/RecentDocuments.h"
#include "core/window/AppDelegate.h"
#include "core/window/WidgetDocumentPanels.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using kestrom::AppDelegate;
using kestrom::Document;
using kestrom::DocumentWindow;

TEST(DocumentWindowTest, ANewDocumentOpensInAWindowWithTheApplicationsMenus) {
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching({});
    ASSERT_EQ(delegate.documentController()->documents().size(), 1);
    Document* document = delegate.documentController()->documents().first();
    DocumentWindow* window = DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled[*]"));
    EXPECT_EQ(window->menuBar()->actions().size(), delegate.mainMenu()->actions().size());
    EXPECT_EQ(window->menuBar()->actions().first()->text(), AppDelegate::applicationName());

    document->updateChangeCount(Document::ChangeType::done);
    EXPECT_TRUE(window->isWindowModified());
}

TEST(DocumentWindowTest, ClosingTheWindowOfAnUntouchedDocumentClosesTheDocument) {
    AppDelegate delegate;
    delegate.newDocument();
    Document* document = delegate.documentController()->documents().first();
    QPointer<DocumentWindow> window = DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(delegate.documentController()->documents().isEmpty());
    QTest::qWait(10);
    EXPECT_FALSE(window);
}

TEST(DocumentWindowTest, TheOpenAndSavePanelsOfferTheDocumentTypeFirst) {
    AppDelegate delegate;
    delegate.newDocument();
    Document* document = delegate.documentController()->documents().first();
    kestrom::WidgetDocumentPanels panels;
    const QString documentType = QStringLiteral("Lunvik Document (*.lunvik)");

    panels.chooseSaveLocation(*document, [](std::optional<QString>) {});
    auto* save =
        DocumentWindow::windowFor(document)->findChild<QFileDialog*>(QStringLiteral("SavePanel"));
    ASSERT_TRUE(save);
    EXPECT_EQ(save->nameFilters().value(0), documentType);
    EXPECT_EQ(save->selectedNameFilter(), documentType);
    // The extension still comes with the name.
    EXPECT_EQ(save->defaultSuffix(), QStringLiteral("lunvik"));
    EXPECT_TRUE(save->selectedFiles().value(0).endsWith(QStringLiteral("/Untitled.lunvik")));
    save->reject();

    panels.chooseDocumentsToOpen([](const QStringList&) {});
    QFileDialog* open = nullptr;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->objectName() == QStringLiteral("OpenPanel")) {
            open = qobject_cast<QFileDialog*>(widget);
        }
    }
    ASSERT_TRUE(open);
    EXPECT_EQ(open->nameFilters().value(0), documentType);
    open->reject();
}

TEST(DocumentWindowTest, OpenRecentTellsNamesakesApartByTheirFolder) {
    QTemporaryDir folder;
    kestrom::RecentDocuments recent;
    for (const QString& path : {QStringLiteral("a/Job1.lunvik"), QStringLiteral("b/Job1.lunvik")}) {
        ASSERT_TRUE(QDir(folder.path()).mkpath(path));
        recent.note(folder.filePath(path));
    }
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching({});
    delegate.documentController()->setRecentDocuments(recent);
    auto* menu = delegate.mainMenu()->findChild<QMenu*>(QStringLiteral("Menu_OpenRecent"));
    ASSERT_TRUE(menu);
    const QList<QAction*> entries = menu->actions();
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("Job1 \u2014 b"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("Job1 \u2014 a"));
    EXPECT_EQ(entries[0]->toolTip(), folder.filePath(QStringLiteral("b/Job1.lunvik")));
}
