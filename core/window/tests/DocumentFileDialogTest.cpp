#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "core/window/WidgetDocumentPanels.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using kestrom::AppDelegate;
using kestrom::Document;
using kestrom::DocumentWindow;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}
QT_END_NAMESPACE

namespace {

// A folder with an ordinary subfolder and a document package beside it.
class DocumentFileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QDir root(m_root.path());
        ASSERT_TRUE(root.mkpath(QStringLiteral("plain")));
        ASSERT_TRUE(root.mkpath(QStringLiteral("Job1.lunvik/QuickLook")));
    }

    QString path(const QString& name) const { return QDir(m_root.path()).filePath(name); }

    static QFileDialog* panelNamed(const QString& name) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == name && widget->isVisible()) {
                return qobject_cast<QFileDialog*>(widget);
            }
        }
        return nullptr;
    }

    // The list or the details view, whichever the panel shows.
    static QAbstractItemView* shownView(QFileDialog& panel) {
        for (auto* view : panel.findChildren<QAbstractItemView*>()) {
            const QString name = view->objectName();
            if ((name == QStringLiteral("listView") || name == QStringLiteral("treeView")) &&
                view->isVisible()) {
                return view;
            }
        }
        return nullptr;
    }

    static void typeAndReturn(QFileDialog& panel, const QString& text) {
        auto* name = panel.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        // Typed as the user types, so that the panel completes it on the way.
        panel.activateWindow();
        if (!QTest::qWaitForWindowActive(&panel)) {
            ADD_FAILURE() << "the panel does not become active";
        }
        name->setFocus();
        ASSERT_TRUE(name->hasFocus());
        name->selectAll();
        QTest::keyClicks(name, text);
        QTest::keyClick(name, Qt::Key_Return);
    }

    // The row of a file in the panel's list, once the folder has been read.
    static QModelIndex rowOf(QFileDialog& panel, const QString& file) {
        auto* view = shownView(panel);
        QModelIndex found;
        const bool listed = QTest::qWaitFor([&] {
            QAbstractItemModel* model = view->model();
            for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
                const QModelIndex index = model->index(row, 0, view->rootIndex());
                if (index.data(QFileSystemModel::FilePathRole).toString() == file) {
                    found = index;
                    return true;
                }
            }
            return false;
        });
        return listed ? found : QModelIndex();
    }

    // Clicks, then double-clicks unless told otherwise, a file in the
    // panel's list of its folder.
    static bool doubleClick(QFileDialog& panel, const QString& file, bool twice = true) {
        panel.setDirectory(QFileInfo(file).path());
        const QModelIndex index = rowOf(panel, file);
        if (!index.isValid()) {
            return false;
        }
        auto* view = shownView(panel);
        view->doItemsLayout();
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (twice) {
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        }
        return true;
    }

    QTemporaryDir m_root;
    kestrom::WidgetDocumentPanels m_panels;
};

TEST_F(DocumentFileDialogTest, TheOpenPanelEntersFoldersAndChoosesPackages) {
    std::optional<QStringList> chosen;
    m_panels.chooseDocumentsToOpen([&](const QStringList& paths) { chosen = paths; });
    QFileDialog* panel = panelNamed(QStringLiteral("OpenPanel"));
    ASSERT_TRUE(panel);
    panel->setDirectory(m_root.path());

    // A typed folder is browsed into, not opened as a document.
    typeAndReturn(*panel, path(QStringLiteral("plain")));
    EXPECT_FALSE(chosen);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->directory().absolutePath(), path(QStringLiteral("plain")));

    // So is a double-clicked one.
    ASSERT_TRUE(doubleClick(*panel, path(QStringLiteral("plain"))));
    EXPECT_FALSE(chosen);
    EXPECT_EQ(panel->directory().absolutePath(), path(QStringLiteral("plain")));

    // A double-clicked package is the document, its inside never shown.
    ASSERT_TRUE(doubleClick(*panel, path(QStringLiteral("Job1.lunvik"))));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, QStringList{path(QStringLiteral("Job1.lunvik"))});
    EXPECT_EQ(panel->directory().absolutePath(), m_root.path());
}

TEST_F(DocumentFileDialogTest, TheOpenPanelTakesATypedOrReturnedPackage) {
    QStringList chosen;
    m_panels.chooseDocumentsToOpen([&](const QStringList& paths) { chosen = paths; });
    QFileDialog* panel = panelNamed(QStringLiteral("OpenPanel"));
    ASSERT_TRUE(panel);
    panel->setDirectory(m_root.path());
    typeAndReturn(*panel, path(QStringLiteral("Job1.lunvik/")));
    EXPECT_EQ(chosen, QStringList{path(QStringLiteral("Job1.lunvik"))});

    chosen.clear();
    m_panels.chooseDocumentsToOpen([&](const QStringList& paths) { chosen = paths; });
    panel = panelNamed(QStringLiteral("OpenPanel"));
    ASSERT_TRUE(panel);
    panel->setDirectory(m_root.path());
    auto* view = shownView(*panel);
    const QModelIndex package = rowOf(*panel, path(QStringLiteral("Job1.lunvik")));
    ASSERT_TRUE(package.isValid());
    view->setFocus();
    view->setCurrentIndex(package);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(chosen, QStringList{path(QStringLiteral("Job1.lunvik"))});
}

TEST_F(DocumentFileDialogTest, SavingOverAPackageAsksToReplaceItAndNeverEntersIt) {
    AppDelegate delegate;
    delegate.newDocument();
    Document* document = delegate.documentController()->documents().first();
    std::optional<std::optional<QString>> answer;
    const auto choose = [&] {
        answer.reset();
        m_panels.chooseSaveLocation(*document, [&](std::optional<QString> path) { answer = path; });
        auto* panel = DocumentWindow::windowFor(document)->findChild<QFileDialog*>(
            QStringLiteral("SavePanel"));
        if (panel) {
            panel->setDirectory(m_root.path());
        }
        return panel;
    };
    const auto question = [](QFileDialog& panel) -> QMessageBox* {
        auto* box = panel.findChild<QMessageBox*>(QStringLiteral("ReplaceQuestion"));
        return box && box->isVisible() ? box : nullptr;
    };
    const QString package = path(QStringLiteral("Job1.lunvik"));
    const auto replace = [&](QFileDialog& panel) {
        QMessageBox* ask = question(panel);
        ASSERT_TRUE(ask);
        EXPECT_EQ(panel.directory().absolutePath(), m_root.path());
        ask->button(QMessageBox::Yes)->click();
        ASSERT_TRUE(answer);
        EXPECT_EQ(*answer, package);
    };

    // Refusing keeps the panel where it was, with the package still named.
    const QString nested = path(QStringLiteral("plain/Job2.lunvik"));
    ASSERT_TRUE(QDir().mkpath(nested));
    QFileDialog* panel = choose();
    ASSERT_TRUE(panel);
    typeAndReturn(*panel, nested);
    QMessageBox* ask = question(*panel);
    ASSERT_TRUE(ask);
    EXPECT_TRUE(ask->text().contains(QStringLiteral("Job2.lunvik")));
    EXPECT_EQ(panel->directory().absolutePath(), m_root.path());
    auto* buttons = panel->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_TRUE(buttons);
    EXPECT_TRUE(buttons->button(QDialogButtonBox::Save)->isEnabled());
    EXPECT_EQ(buttons->button(QDialogButtonBox::Save)->text(), QFileDialog::tr("&Save"));
    ask->button(QMessageBox::No)->click();
    EXPECT_FALSE(answer);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->directory().absolutePath(), m_root.path());

    // Another name typed afterwards is taken as typed, whatever the panel
    // selected while completing the first.
    typeAndReturn(*panel, path(QStringLiteral("plain/Fresh")));
    EXPECT_FALSE(question(*panel));
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, path(QStringLiteral("plain/Fresh.lunvik")));

    // Replacing answers the package; the name alone, without its extension, finds it too.
    QTest::qWait(10);
    panel = choose();
    ASSERT_TRUE(panel);
    typeAndReturn(*panel, QStringLiteral("Job1"));
    replace(*panel);

    // A package picked in the list is named like a file; double-clicked, it asks too.
    QTest::qWait(10);
    panel = choose();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(doubleClick(*panel, package, false));
    EXPECT_EQ(panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
              QStringLiteral("Job1.lunvik"));
    EXPECT_EQ(panel->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
                  ->button(QDialogButtonBox::Save)
                  ->text(),
              QFileDialog::tr("&Save"));
    ASSERT_TRUE(doubleClick(*panel, package));
    replace(*panel);

    // An ordinary folder is still browsed into.
    QTest::qWait(10);
    panel = choose();
    ASSERT_TRUE(panel);
    typeAndReturn(*panel, path(QStringLiteral("plain")));
    EXPECT_FALSE(answer);
    EXPECT_EQ(panel->directory().absolutePath(), path(QStringLiteral("plain")));
    panel->reject();
}

} // namespace
