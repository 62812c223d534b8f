#include "core/document/application/PrintJobDocument.h"
#include "core/document/tests/RunTestSupport.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "core/window/PanelStartFolder.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <optional>

using kestrom::AppDelegate;
using kestrom::DocumentWindow;
using kestrom::PanelStartFolder;
using kestrom::PrintJobDocument;

namespace {

bool waitUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10000);
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWindow* focus = QGuiApplication::focusWindow();
    ASSERT_TRUE(focus) << "no window takes keys";
    QTest::keyClick(focus, Qt::Key(key), modifiers);
    QCoreApplication::processEvents();
}

struct FilePanelsTest : ::testing::Test {
    // The pictures are not below the temporary folder, whose pictures give
    // panels no start, wherever the build lies: the temporary folder is one
    // of the test's own beside them.
    QTemporaryDir folder{QCoreApplication::applicationDirPath() + QStringLiteral("/panels-XXXXXX")};
    QTemporaryDir temporary{QCoreApplication::applicationDirPath() +
                            QStringLiteral("/panels-tmp-XXXXXX")};
    const std::optional<QByteArray> outsideTemporary =
        qEnvironmentVariableIsSet("TMPDIR") ? std::optional(qgetenv("TMPDIR")) : std::nullopt;
    AppDelegate delegate;

    FilePanelsTest() {
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        // Pictures reach documents as another program's do.
        delegate.applicationWillFinishLaunching();
    }

    ~FilePanelsTest() override {
        if (outsideTemporary) {
            qputenv("TMPDIR", *outsideTemporary);
        } else {
            qunsetenv("TMPDIR");
        }
    }

    QString picture(const QString& relative) const {
        const QString path = folder.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::black);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    QList<kestrom::Document*> documents() const {
        return delegate.documentController()->documents();
    }
    static PrintJobDocument* job(kestrom::Document* document) {
        return qobject_cast<PrintJobDocument*>(document);
    }

    // File › Open from the keyboard in the window in front.
    QFileDialog* openPanel() {
        press(Qt::Key_O, Qt::ControlModifier);
        QFileDialog* shown = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* panel = qobject_cast<QFileDialog*>(widget);
            if (panel && panel->objectName() == QStringLiteral("OpenPanel") && panel->isVisible()) {
                shown = panel;
            }
        }
        return shown;
    }
    static void choose(QFileDialog* panel, const QString& path) {
        auto* name = panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        // Pasted into the name field (typing would open its completion list).
        name->setFocus();
        name->setText(path);
        press(Qt::Key_Return);
    }
};

} // namespace

// File › Open takes a picture as "Open With" does: into the untitled
// document that has none, else into a new document.
TEST_F(FilePanelsTest, FileOpenTakesPicturesIntoTheEmptyDocumentElseANewOne) {
    delegate.newDocument();
    ASSERT_EQ(documents().size(), 1);
    kestrom::Document* untitled = documents().first();
    ASSERT_TRUE(QTest::qWaitForWindowActive(DocumentWindow::windowFor(untitled)));

    QFileDialog* panel = openPanel();
    ASSERT_TRUE(panel);
    // Nothing of the document on disk yet: the panel starts at home.
    EXPECT_EQ(panel->directory().absolutePath(), QDir::homePath());
    const QString first = picture(QStringLiteral("art/stamp.png"));
    choose(panel, first);
    ASSERT_TRUE(waitUntil([&] { return job(untitled)->job().originalImage() != nullptr; }));
    EXPECT_EQ(job(untitled)->job().originalImage()->fileURL(), QUrl::fromLocalFile(first));
    EXPECT_EQ(documents().size(), 1);

    // Now the panel starts in the picture's folder; another picture goes
    // into a new document. (Offscreen, a closed panel hands the keys back
    // to no window; the user's click does.)
    DocumentWindow::windowFor(untitled)->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(DocumentWindow::windowFor(untitled)));
    panel = openPanel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->directory().absolutePath(), QFileInfo(first).absolutePath());
    const QString second = picture(QStringLiteral("more/logo.png"));
    choose(panel, second);
    ASSERT_TRUE(waitUntil(
        [&] { return documents().size() == 2 && job(documents().last())->job().originalImage(); }));
    EXPECT_EQ(job(documents().last())->job().originalImage()->fileURL(),
              QUrl::fromLocalFile(second));
    EXPECT_EQ(job(untitled)->job().originalImage()->fileURL(), QUrl::fromLocalFile(first));
}

TEST_F(FilePanelsTest, PanelsStartInTheDocumentsFolderElseThePicturesElseHome) {
    EXPECT_EQ(PanelStartFolder::of(nullptr), QDir::homePath());
    delegate.newDocument();
    auto* document = job(documents().first());
    EXPECT_EQ(PanelStartFolder::of(document), QDir::homePath());
    // A picture without a file of its own (pasted) gives no folder.
    document->job().setOriginalImage(run_test::picture());
    EXPECT_EQ(PanelStartFolder::of(document), QDir::homePath());

    const QString file = picture(QStringLiteral("pictures/stamp.png"));
    document->job().setOriginalImage(
        ambrel::OriginalImage::fromContentsOfURL(QUrl::fromLocalFile(file)));
    EXPECT_EQ(PanelStartFolder::of(document), QFileInfo(file).absolutePath());

    QDir().mkpath(folder.filePath(QStringLiteral("jobs")));
    bool saved = false;
    delegate.documentController()->saveDocumentTo(
        document, folder.filePath(QStringLiteral("jobs/Job.lunvik")),
        [&saved](bool ok) { saved = ok; });
    ASSERT_TRUE(waitUntil([&] { return saved; }));
    EXPECT_EQ(PanelStartFolder::of(document),
              QFileInfo(folder.filePath(QStringLiteral("jobs"))).absoluteFilePath());

    // The save panel of the document starts there.
    DocumentWindow* window = DocumentWindow::windowFor(document);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    auto* save = window->findChild<QFileDialog*>(QStringLiteral("SavePanel"));
    ASSERT_TRUE(save);
    EXPECT_EQ(save->directory().absolutePath(),
              QFileInfo(folder.filePath(QStringLiteral("jobs"))).absoluteFilePath());
    save->reject();
}

// Several files at once: the package opens as a document, the picture goes
// where a picture goes.
TEST_F(FilePanelsTest, FileOpenTakesAPackageAndAPictureChosenTogether) {
    delegate.newDocument();
    auto* saved = job(documents().first());
    saved->job().setImageRepeatXCount(2);
    const QString package = folder.filePath(QStringLiteral("Job.lunvik"));
    bool written = false;
    delegate.documentController()->saveDocumentTo(saved, package,
                                                  [&written](bool ok) { written = ok; });
    ASSERT_TRUE(waitUntil([&] { return written; }));
    delegate.documentController()->removeDocument(saved);
    delegate.newDocument();
    kestrom::Document* untitled = documents().first();
    ASSERT_TRUE(QTest::qWaitForWindowActive(DocumentWindow::windowFor(untitled)));

    QFileDialog* panel = openPanel();
    ASSERT_TRUE(panel);
    panel->setDirectory(folder.path());
    const QString stamp = picture(QStringLiteral("stamp.png"));
    choose(panel, QStringLiteral("\"stamp.png\" \"Job.lunvik\""));
    ASSERT_TRUE(waitUntil([&] {
        return delegate.documentController()->documentForPath(package) &&
               job(untitled)->job().originalImage();
    }));
    EXPECT_EQ(job(untitled)->job().originalImage()->fileURL(), QUrl::fromLocalFile(stamp));
    auto* opened = job(delegate.documentController()->documentForPath(package));
    EXPECT_EQ(opened->job().imageRepeatXCount(), 2);
    EXPECT_FALSE(opened->job().originalImage());
}

namespace {

// The error alert that shows, when one does.
QMessageBox* shownAlert() {
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->objectName() == QStringLiteral("ErrorSheet") && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

// The screen as the user sees it, for review, when LUNVIK_REVIEW_DIR is set
// (on a display server, the window with its alert over it).
void review(QWidget* window, const char* name) {
    const QString folder = qEnvironmentVariable("LUNVIK_REVIEW_DIR");
    if (folder.isEmpty() || !window) {
        return;
    }
    QTest::qWait(200);
    QScreen* screen = window->screen();
    const QRect frame = window->frameGeometry().adjusted(-20, -20, 20, 20);
    const QPixmap shot =
        QGuiApplication::platformName() == QLatin1String("offscreen")
            ? window->grab()
            : screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    shot.save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

// Whether the alert has the keys once the window system has had its say, so
// that Return answers it rather than the document.
bool hasTheKeys(const QWidget* alert) {
    return QTest::qWaitFor(
        [alert] {
            return alert->windowHandle() && QGuiApplication::focusWindow() == alert->windowHandle();
        },
        3000);
}

const QString noPictureAdvice =
    QStringLiteral("“fake.png” may be damaged or in a format that cannot be read. Use a PNG, "
                   "JPEG, GIF, BMP, TIFF, HEIC, PDF or Illustrator file.");

} // namespace

// A text file named like a picture, chosen in File › Open: the window says
// what the inspector's Choose… says of it, and the new document made for it
// goes again.
TEST_F(FilePanelsTest, FileOpenOfAFileThatHoldsNoPictureSaysSoAndLeavesNoEmptyWindow) {
    delegate.newDocument();
    auto* first = job(documents().first());
    first->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
        QUrl::fromLocalFile(picture(QStringLiteral("stamp.png")))));
    DocumentWindow* window = DocumentWindow::windowFor(first);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const QString fake = folder.filePath(QStringLiteral("fake.png"));
    {
        QFile text(fake);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("These are notes, not a picture.\n");
    }

    QFileDialog* panel = openPanel();
    ASSERT_TRUE(panel);
    choose(panel, fake);
    ASSERT_TRUE(waitUntil([] { return shownAlert() != nullptr; }));
    QMessageBox* alert = shownAlert();
    EXPECT_EQ(alert->text(), QStringLiteral("“fake.png” contains no picture that can be used."));
    EXPECT_EQ(alert->informativeText(), noPictureAdvice);
    EXPECT_EQ(alert->parentWidget(), window);
    EXPECT_TRUE(hasTheKeys(alert));
    EXPECT_EQ(documents(), QList<kestrom::Document*>{first});
    review(window, "file-open-no-picture");
}

// A start with files that do not open (the command line, "Open With"): a
// missing file says it is not there; the window of the start stays, with
// the alert on it, and no document is made for the file.
TEST_F(FilePanelsTest, AStartWithAMissingOrFalsePictureSaysWhyOnItsOneWindow) {
    const QString missing = folder.filePath(QStringLiteral("gone/missing.png"));
    delegate.applicationDidFinishLaunching({missing});
    ASSERT_TRUE(waitUntil([] { return shownAlert() != nullptr; }));
    QMessageBox* alert = shownAlert();
    EXPECT_EQ(alert->text(), QStringLiteral("The file “missing.png” does not exist."));
    EXPECT_TRUE(alert->informativeText().contains(missing))
        << alert->informativeText().toStdString();
    EXPECT_TRUE(hasTheKeys(alert));
    ASSERT_EQ(documents().size(), 1);
    EXPECT_FALSE(job(documents().first())->job().originalImage());
    EXPECT_EQ(alert->parentWidget(), DocumentWindow::windowFor(documents().first()));
    review(alert->parentWidget(), "start-missing-picture");
    alert->button(QMessageBox::Ok)->click();

    // Given to the running application while its document has a picture.
    job(documents().first())
        ->job()
        .setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(picture(QStringLiteral("stamp.png")))));
    const QString fake = folder.filePath(QStringLiteral("fake.png"));
    {
        QFile text(fake);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("These are notes, not a picture.\n");
    }
    QTest::qWait(50);
    delegate.openFiles({fake});
    ASSERT_TRUE(waitUntil([] { return shownAlert() != nullptr; }));
    EXPECT_EQ(shownAlert()->text(),
              QStringLiteral("“fake.png” contains no picture that can be used."));
    EXPECT_EQ(shownAlert()->informativeText(), noPictureAdvice);
    EXPECT_TRUE(hasTheKeys(shownAlert()));
    EXPECT_TRUE(waitUntil([&] { return documents().size() == 1; })) << documents().size();
}
