#include "core/window/DocumentWindow.h"
#include "core/document/application/RecentDocuments.h"
#include "core/launch/AppDelegate.h"
#include "core/window/AboutPanelController.h"
#include "core/window/HelpPanelController.h"
#include "core/window/WidgetDocumentPanels.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

using kestrom::AppDelegate;
using kestrom::Document;
using kestrom::DocumentWindow;

namespace {

// The question a window shows, when it shows one.
QMessageBox* questionOn(QWidget* window) {
    for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
        if (box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

// Whether the window, or a question of its own, is the active one.
bool isInFront(const QWidget* window) {
    const QWidget* active = QApplication::activeWindow();
    while (active && active != window) {
        active = active->parentWidget() ? active->parentWidget()->window() : nullptr;
    }
    return active && active == window;
}

// Two new documents, each with a change that a quit asks about.
QList<Document*> twoEditedDocuments(AppDelegate& delegate) {
    delegate.newDocument();
    delegate.newDocument();
    const QList<Document*> documents = delegate.documentController()->documents();
    for (Document* document : documents) {
        document->updateChangeCount(Document::ChangeType::done);
    }
    return documents;
}

} // namespace

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
    EXPECT_EQ(window->menuBar()->actions().first()->text(),
              QLatin1Char('&') + AppDelegate::applicationName());

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
    // The open panel takes pictures too, first of all together.
    EXPECT_TRUE(open->nameFilters().value(0).startsWith(
        QStringLiteral("Lunvik Document or Picture (*.lunvik *.png ")));
    EXPECT_EQ(open->nameFilters().value(1), documentType);
    EXPECT_TRUE(open->nameFilters().value(2).startsWith(QStringLiteral("Picture (*.png ")));
    open->reject();
}

TEST(DocumentWindowTest, QuittingAsksAboutEachEditedDocumentInTurnOnItsOwnWindow) {
    AppDelegate delegate;
    const QList<Document*> documents = twoEditedDocuments(delegate);
    ASSERT_EQ(documents.size(), 2);
    QList<QPointer<DocumentWindow>> windows;
    for (Document* document : documents) {
        windows.append(DocumentWindow::windowFor(document));
    }
    // The second window is in front; the first document is asked about first.
    QApplication::processEvents();
    delegate.terminate();
    QApplication::processEvents();
    QMessageBox* question = questionOn(windows[0]);
    ASSERT_TRUE(question);
    EXPECT_TRUE(question->text().contains(documents[0]->displayName()));
    EXPECT_TRUE(isInFront(windows[0]));
    EXPECT_FALSE(questionOn(windows[1]));
    // Quitting again while asking brings the same question forward.
    delegate.terminate();
    EXPECT_EQ(windows[0]->findChildren<QMessageBox*>().size(), 1);

    // Cancel stops the quit: nothing closes and nothing more is asked.
    question->button(QMessageBox::Cancel)->click();
    QApplication::processEvents();
    EXPECT_EQ(delegate.documentController()->documents().size(), 2);
    EXPECT_FALSE(questionOn(windows[0]));
    EXPECT_FALSE(questionOn(windows[1]));

    // Discarding each in turn ends with the application quitting.
    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    // Each question is answered once its window has come to the front.
    QStringList asked;
    int atOnce = 0;
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&] {
        QList<QMessageBox*> questions;
        for (const QPointer<DocumentWindow>& window : windows) {
            if (QMessageBox* box = window ? questionOn(window) : nullptr) {
                questions.append(box);
            }
        }
        atOnce = std::max(atOnce, int(questions.size()));
        if (questions.size() == 1 && isInFront(questions.first()->parentWidget())) {
            asked.append(questions.first()->text());
            questions.first()->button(QMessageBox::Discard)->click();
        }
    });
    answering.start(10);
    QTimer::singleShot(0, &delegate, &AppDelegate::terminate);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    const int status = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(atOnce, 1);
    ASSERT_EQ(asked.size(), 2) << asked.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(asked[0].contains(QStringLiteral("“Untitled”")));
    EXPECT_TRUE(asked[1].contains(QStringLiteral("“Untitled 2”")));
    EXPECT_TRUE(delegate.documentController()->documents().isEmpty());
    QTest::qWait(10);
    EXPECT_FALSE(windows[0] || windows[1]);
}

TEST(DocumentWindowTest, EscapeAndCloseInAPanelCloseThePanelAndLeaveTheDocument) {
    AppDelegate delegate;
    delegate.newDocument();
    Document* document = delegate.documentController()->documents().first();
    document->updateChangeCount(Document::ChangeType::done);
    QPointer<DocumentWindow> window = DocumentWindow::windowFor(document);
    kestrom::HelpPanelController& help = kestrom::HelpPanelController::shared();
    const auto press = [](QWidget& panel, const QKeySequence& keys) {
        QApplication::processEvents();
        ASSERT_TRUE(isInFront(&panel));
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : &panel,
                           keys);
        QApplication::processEvents();
    };

    for (const QKeySequence keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        SCOPED_TRACE(keys.toString().toStdString());
        delegate.showAboutPanel();
        press(kestrom::AboutPanelController::shared(), keys);
        EXPECT_FALSE(kestrom::AboutPanelController::hasShared());

        delegate.showAcknowledgmentsPanel();
        press(help, keys);
        EXPECT_FALSE(help.isVisible());
        EXPECT_FALSE(questionOn(window));
    }

    // File › Close with a panel in front closes the panel.
    delegate.showAboutPanel();
    QApplication::processEvents();
    delegate.closeDocument();
    EXPECT_FALSE(kestrom::AboutPanelController::hasShared());
    delegate.showAcknowledgmentsPanel();
    QApplication::processEvents();
    delegate.closeDocument();
    EXPECT_FALSE(help.isVisible());
    EXPECT_FALSE(questionOn(window));
    EXPECT_EQ(delegate.documentController()->documents().size(), 1);
    document->updateChangeCount(Document::ChangeType::cleared);
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

// Save in the quit's question: the quit goes on once the document is saved,
// as after Discard; a save panel that is cancelled stops it, as Cancel does.
TEST(DocumentWindowTest, QuittingGoesOnAfterASaveAndStopsWhenTheSavePanelIsCancelled) {
    QTemporaryDir folder;
    AppDelegate delegate;
    const QList<Document*> documents = twoEditedDocuments(delegate);
    ASSERT_EQ(documents.size(), 2);
    QList<QPointer<DocumentWindow>> windows;
    for (Document* document : documents) {
        windows.append(DocumentWindow::windowFor(document));
    }
    const auto savePanel = [](QWidget* window) -> QFileDialog* {
        for (QFileDialog* panel : window->findChildren<QFileDialog*>(QStringLiteral("SavePanel"))) {
            if (panel->isVisible()) {
                return panel;
            }
        }
        return nullptr;
    };
    QApplication::processEvents();
    delegate.terminate();
    QApplication::processEvents();
    QMessageBox* question = questionOn(windows[0]);
    ASSERT_TRUE(question);
    question->button(QMessageBox::Save)->click();
    QApplication::processEvents();
    QFileDialog* panel = savePanel(windows[0]);
    ASSERT_TRUE(panel);
    panel->reject();
    QApplication::processEvents();
    EXPECT_EQ(delegate.documentController()->documents().size(), 2);
    EXPECT_FALSE(questionOn(windows[0]));
    EXPECT_FALSE(questionOn(windows[1]));

    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    const QString saved = folder.filePath(QStringLiteral("First.lunvik"));
    QStringList steps;
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&] {
        if (QFileDialog* shown = windows[0] ? savePanel(windows[0]) : nullptr) {
            steps << QStringLiteral("saved");
            // Typed into the name field, as the user names the document.
            if (auto* name = shown->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setText(saved);
            }
            static_cast<QDialog*>(shown)->accept();
        } else if (QMessageBox* first = windows[0] ? questionOn(windows[0]) : nullptr) {
            steps << QStringLiteral("save");
            first->button(QMessageBox::Save)->click();
        } else if (QMessageBox* second = windows[1] ? questionOn(windows[1]) : nullptr) {
            steps << QStringLiteral("discard");
            second->button(QMessageBox::Discard)->click();
        }
    });
    answering.start(10);
    QTimer::singleShot(0, &delegate, &AppDelegate::terminate);
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    const int status = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
    EXPECT_EQ(status, 0) << steps.join(u' ').toStdString();
    EXPECT_EQ(steps, (QStringList{QStringLiteral("save"), QStringLiteral("saved"),
                                  QStringLiteral("discard")}));
    EXPECT_TRUE(QFileInfo(saved).isDir());
    EXPECT_TRUE(delegate.documentController()->documents().isEmpty());
}
