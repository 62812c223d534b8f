#include "core/window/DocumentWindow.h"
#include "core/window/AppDelegate.h"

#include <QApplication>
#include <QMenuBar>
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
