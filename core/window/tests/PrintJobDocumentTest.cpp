#include "core/document/application/PrintJobDocument.h"
#include "core/document/tests/RunTestSupport.h"
#include "core/launch/AppDelegate.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/WindowRunPresenter.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using kestrom::AppDelegate;
using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;
using run_test::FakeConnection;

namespace {

std::atomic<FakeConnection::Behaviour> deviceBehaviour{FakeConnection::Behaviour::succeed};

// Two models of a device that is played by fake connections.
class FakePlugin : public ambrel::ConnectPlugin {
public:
    QString deviceDescriptorsJson() const override {
        const QString model = QStringLiteral(R"({
            "modelName": "%1", "printerType": "fake", "headDotCount": 256, "dpi": 300,
            "canvases": [{"identifier": "C", "size_mm": {"width": 20, "height": 100}}],
            "offsetBases": ["center", "topLeft"],
            "parameterProperties": [{"type": "number", "identifier": "density",
                                     "minValue": -8, "maxValue": 8, "defaultValue": 3}]
        })");
        return QLatin1Char('[') + model.arg(QStringLiteral("First")) + QLatin1Char(',') +
               model.arg(QStringLiteral("Second")) + QLatin1Char(']');
    }
    std::shared_ptr<ambrel::DeviceConnection>
    newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>& descriptor,
                  ambrel::TransportType) const override {
        if (descriptor->printerType() != QLatin1String("fake")) {
            return nullptr;
        }
        return std::make_shared<FakeConnection>(descriptor, deviceBehaviour.load());
    }
    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("WindowTestPlugin"));
    }
};

// The plug-in is registered before any test reads the supported models.
class PluginEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ambrel::ConnectPluginManager::shared().load({std::make_shared<FakePlugin>()});
    }
};

[[maybe_unused]] const auto* environment =
    ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

struct PrintJobDocumentTest : ::testing::Test {
    QTemporaryDir folder;
    PrintJobDocumentTest() {
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        deviceBehaviour = FakeConnection::Behaviour::succeed;
    }

    // Prints a document of the model with a completion alert, with a picture.
    static DocumentWindow* printPicture(AppDelegate& delegate) {
        platform::UserDefaults::standard().setString(QStringLiteral("LastModelName"),
                                                     QStringLiteral("Second"));
        PrintJobDocument* document = newDocument(delegate);
        document->job().setOriginalImage(run_test::picture());
        delegate.printDocument();
        return DocumentWindow::windowFor(document);
    }

    static PrintJobDocument* newDocument(AppDelegate& delegate) {
        delegate.newDocument();
        return qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().last());
    }

    static QByteArray pngOf(int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return png;
    }
};

// Opens a menu of a window's menu bar by clicking its title, and chooses an
// item by clicking it, each event on a turn of the event loop of its own.
class MenuDriver {
public:
    explicit MenuDriver(QMainWindow* window) : m_bar(window->menuBar()) {}

    // The item, in its menu now open; nothing when either is missing.
    QAction* open(const QString& menuName, const QString& itemName) {
        for (QAction* top : m_bar->actions()) {
            if (top->menu() && top->menu()->objectName() == menuName) {
                m_menu = top->menu();
                QTest::mouseClick(m_bar, Qt::LeftButton, {}, m_bar->actionGeometry(top).center());
                if (!QTest::qWaitFor([this] { return m_menu->isVisible(); }, 2000)) {
                    return nullptr;
                }
                return m_menu->findChild<QAction*>(itemName);
            }
        }
        return nullptr;
    }
    void close() {
        if (m_menu && m_menu->isVisible()) {
            QTest::keyClick(m_menu, Qt::Key_Escape);
            EXPECT_TRUE(QTest::qWaitFor([this] { return !m_menu->isVisible(); }, 2000));
            QTest::keyClick(m_bar, Qt::Key_Escape);
            QApplication::processEvents();
        }
    }
    void choose(const QString& menuName, const QString& itemName) {
        QAction* item = open(menuName, itemName);
        ASSERT_TRUE(item) << itemName.toStdString();
        ASSERT_TRUE(item->isEnabled()) << itemName.toStdString();
        QTest::mouseClick(m_menu, Qt::LeftButton, {}, m_menu->actionGeometry(item).center());
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_menu->isVisible(); }, 2000));
        QApplication::processEvents();
    }

private:
    QMenuBar* m_bar;
    QPointer<QMenu> m_menu;
};

} // namespace

TEST_F(PrintJobDocumentTest, ANewDocumentHasTheLastModelAndItsRememberedSettings) {
    AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    EXPECT_EQ(platform::UserDefaults::standard().string(QStringLiteral("LastModelName")),
              QStringLiteral("First"));
    platform::UserDefaults::standard().setString(QStringLiteral("LastModelName"),
                                                 QStringLiteral("Second"));
    platform::UserDefaults::standard().setObject(
        QStringLiteral("LastDeviceSettings"),
        QVariantMap{{QStringLiteral("Second"),
                     QVariantMap{{QStringLiteral("imageOffsetBase"), QStringLiteral("topLeft")},
                                 {QStringLiteral("density"), 5}}}});
    PrintJobDocument* document = newDocument(delegate);
    ASSERT_TRUE(document);
    ASSERT_TRUE(document->job().deviceDescriptor());
    EXPECT_EQ(document->job().deviceDescriptor()->modelName(), QStringLiteral("Second"));
    EXPECT_EQ(document->job().imageOffsetBase(), ambrel::OffsetBase::topLeft);
    ASSERT_TRUE(document->job().currentDeviceSetting());
    EXPECT_EQ(document->job().currentDeviceSetting()->values().value(QStringLiteral("density")), 5);
    EXPECT_FALSE(document->isEdited());
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(PrintJobDocumentTest, AChangeOfTheJobMakesTheDocumentEditedAndSavingMakesItClean) {
    AppDelegate delegate;
    PrintJobDocument* document = newDocument(delegate);
    document->undoManager()->setGroupsByEvent(false);
    document->job().changeTransportType(std::nullopt);
    EXPECT_TRUE(document->isEdited());
    EXPECT_TRUE(DocumentWindow::windowFor(document)->isWindowModified());
    document->updateChangeCount(kestrom::Document::ChangeType::cleared);
    EXPECT_FALSE(document->job().isDocumentEdited());
}

TEST_F(PrintJobDocumentTest, PrintingWithoutPictureShowsTheSheetThenTheError) {
    AppDelegate delegate;
    PrintJobDocument* document = newDocument(delegate);
    DocumentWindow* window = DocumentWindow::windowFor(document);
    delegate.printDocument();
    QMessageBox* error = nullptr;
    ASSERT_TRUE(run_test::waitUntil([&] {
        error = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
        return error != nullptr;
    }));
    EXPECT_FALSE(window->runPresenter()->progressSheet());
    EXPECT_EQ(error->text(),
              ambrel::ConnectionError(ambrel::ConnectionError::Case::noImageInDocument)
                  .localizedDescription());
}

TEST_F(PrintJobDocumentTest, ASuccessfulPrintEndsWithTheCompletionAlert) {
    AppDelegate delegate;
    DocumentWindow* window = printPicture(delegate);
    kestrom::CompletionAlert* alert = nullptr;
    ASSERT_TRUE(run_test::waitUntil([&] {
        alert = window->findChild<kestrom::CompletionAlert*>();
        return alert != nullptr;
    }));
    EXPECT_EQ(alert->okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(alert->findChild<QLabel*>(QStringLiteral("message"))->text(),
              QStringLiteral("The stencil is ready"));
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
}

TEST_F(PrintJobDocumentTest, AFailingDeviceShowsItsErrorAndNoCompletionAlert) {
    deviceBehaviour = FakeConnection::Behaviour::fail;
    AppDelegate delegate;
    DocumentWindow* window = printPicture(delegate);
    QMessageBox* error = nullptr;
    ASSERT_TRUE(run_test::waitUntil([&] {
        error = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
        return error != nullptr;
    }));
    const ambrel::ConnectionError busy(ambrel::ConnectionError::Case::printerIsBusy);
    EXPECT_EQ(error->text(), busy.localizedDescription());
    EXPECT_EQ(error->informativeText(), busy.localizedRecoverySuggestion().value_or(QString()));
    EXPECT_FALSE(window->findChild<kestrom::CompletionAlert*>());
}

TEST_F(PrintJobDocumentTest, ADocumentThatFailsToOpenAtLaunchShowsItsErrorOnTheUntitledWindow) {
    const QString damaged = folder.filePath(QStringLiteral("Damaged.lunvik"));
    QDir().mkpath(damaged);
    QFile junk(damaged + QStringLiteral("/Settings.plist"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a property list");
    junk.close();

    // A damaged package is read away from the window; a missing one fails at once.
    for (const QString& path : {damaged, folder.filePath(QStringLiteral("None.lunvik"))}) {
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching({path});
        ASSERT_TRUE(run_test::waitUntil(
            [&] { return delegate.documentController()->documents().size() == 1; }, 2000));
        DocumentWindow* window =
            DocumentWindow::windowFor(delegate.documentController()->documents().first());
        ASSERT_TRUE(window);
        EXPECT_TRUE(run_test::waitUntil(
            [&] { return window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")); }, 2000))
            << path.toStdString();
    }
}

TEST_F(PrintJobDocumentTest, EditPasteLoadsThePictureOnTheClipboardAndOnlyThen) {
    AppDelegate delegate;
    PrintJobDocument* document = newDocument(delegate);
    auto* paste = delegate.mainMenu()->findChild<QAction*>(QStringLiteral("Menu_Paste"));
    ASSERT_TRUE(paste);
    EXPECT_EQ(paste->shortcut(), QKeySequence(QKeySequence::Paste));

    QApplication::clipboard()->setText(QStringLiteral("no picture"));
    EXPECT_FALSE(paste->isEnabled());
    paste->trigger();
    QTest::qWait(50);
    EXPECT_FALSE(document->job().originalImage());

    QImage square(40, 20, QImage::Format_RGB32);
    square.fill(Qt::black);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    square.save(&buffer, "PNG");
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    QApplication::clipboard()->setMimeData(data);
    EXPECT_TRUE(paste->isEnabled());
    paste->trigger();
    ASSERT_TRUE(run_test::waitUntil([&] { return document->job().originalImage() != nullptr; }));
    EXPECT_EQ(document->job().originalImage()->widthPerHeight(), 2.0);
}

TEST_F(PrintJobDocumentTest, PasteIsOfferedInAWindowOpenedAfterAPictureWasCopied) {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), pngOf(40, 20));
    QApplication::clipboard()->setMimeData(data);
    QApplication::processEvents();
    AppDelegate delegate;
    auto* paste = delegate.mainMenu()->findChild<QAction*>(QStringLiteral("Menu_Paste"));
    ASSERT_TRUE(paste);
    EXPECT_FALSE(paste->isEnabled()) << "no window to paste into";
    PrintJobDocument* document = newDocument(delegate);
    DocumentWindow* window = DocumentWindow::windowFor(document);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    // The clipboard is asked once the window is drawn.
    EXPECT_TRUE(run_test::waitUntil([&] { return paste->isEnabled(); }));
    MenuDriver(window).choose(QStringLiteral("Menu_Edit"), QStringLiteral("Menu_Paste"));
    ASSERT_TRUE(run_test::waitUntil([&] { return document->job().originalImage() != nullptr; }));
    EXPECT_EQ(document->job().originalImage()->widthPerHeight(), 2.0);
}

// Each command of the picture is an item of the window's menus, reached by
// clicking the menu's title and then the item, enabled, checked and named as
// the document validates it.
TEST_F(PrintJobDocumentTest, ThePicturesCommandsAreReachedFromTheMenusAsTheDocumentValidatesThem) {
    AppDelegate delegate;
    PrintJobDocument* document = newDocument(delegate);
    kestrom::PrintDocument& job = document->job();
    DocumentWindow* window = DocumentWindow::windowFor(document);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    MenuDriver menus(window);

    const QStringList pictureItems = {
        QStringLiteral("Menu_RotateLeft"),  QStringLiteral("Menu_RotateRight"),
        QStringLiteral("Menu_Mirror"),      QStringLiteral("PrintDocument_Menu_ActualSize"),
        QStringLiteral("Menu_ScaleToFit"),  QStringLiteral("Menu_ResetPosition"),
        QStringLiteral("Menu_ResetRepeats")};
    for (const QString& name : pictureItems) {
        QAction* item = menus.open(QStringLiteral("Menu_Picture"), name);
        ASSERT_TRUE(item) << name.toStdString();
        EXPECT_FALSE(item->isEnabled()) << name.toStdString() << " without a picture";
        menus.close();
    }
    EXPECT_EQ(menus.open(QStringLiteral("Menu_Picture"), pictureItems[3])->text(),
              QStringLiteral("&Actual Size"));
    menus.close();

    job.setOriginalImage(run_test::picture());
    QApplication::processEvents();
    menus.choose(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_RotateRight"));
    EXPECT_EQ(job.imageOrientation(), ambrel::ImageRotation::r90);
    menus.choose(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_RotateLeft"));
    EXPECT_EQ(job.imageOrientation(), ambrel::ImageRotation::none);

    EXPECT_FALSE(
        menus.open(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_Mirror"))->isChecked());
    menus.close();
    menus.choose(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_Mirror"));
    EXPECT_TRUE(job.flipsImageHorizontal());
    EXPECT_TRUE(
        menus.open(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_Mirror"))->isChecked());
    menus.close();

    // A bitmap is set one dot per pixel, a size the scaling then leaves.
    QAction* actualSize = menus.open(QStringLiteral("Menu_Picture"), pictureItems[3]);
    EXPECT_EQ(actualSize->text(), QStringLiteral("&Dot by Dot"));
    EXPECT_TRUE(actualSize->isEnabled());
    menus.close();
    job.setImageSize_px({2, 2});
    menus.choose(QStringLiteral("Menu_Picture"), pictureItems[3]);
    EXPECT_EQ(job.imageSize_px(), job.originalImage()->size_px(job.deviceDescriptor()->dpi()));
    job.setImageOffset_mm({3, 4});
    menus.choose(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_ScaleToFit"));
    EXPECT_EQ(job.imageOffset_mm(), (ambrel::Point_mm{0, 0}));
    EXPECT_NEAR(job.imageSizeForDisplay_mm().width, 20, 0.1);

    EXPECT_FALSE(menus.open(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_ResetPosition"))
                     ->isEnabled());
    menus.close();
    job.setImageOffset_mm({0, 0.5});
    menus.choose(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_ResetPosition"));
    EXPECT_EQ(job.imageOffset_mm(), (ambrel::Point_mm{0, 0}));

    EXPECT_FALSE(menus.open(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_ResetRepeats"))
                     ->isEnabled());
    menus.close();
    job.setImageRepeatYCount(3);
    menus.choose(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_ResetRepeats"));
    EXPECT_EQ(job.imageRepeatYCount(), 1);

    job.setValueForKeyPath(QStringLiteral("blackConversionOptions.threshold.threshold"), 0.8);
    menus.choose(QStringLiteral("Menu_Picture"), QStringLiteral("Menu_ResetConversion"));
    EXPECT_EQ(job.blackConversionOptions().threshold().rawValue().threshold, 0.5);

    // The settings beside the canvas hide and show again from the View menu.
    EXPECT_EQ(
        menus.open(QStringLiteral("Menu_View"), QStringLiteral("Menu_ToggleInspector"))->text(),
        QStringLiteral("Hide &Settings"));
    menus.close();
    menus.choose(QStringLiteral("Menu_View"), QStringLiteral("Menu_ToggleInspector"));
    EXPECT_TRUE(window->isInspectorCollapsed());
    EXPECT_EQ(
        menus.open(QStringLiteral("Menu_View"), QStringLiteral("Menu_ToggleInspector"))->text(),
        QStringLiteral("Show &Settings"));
    menus.close();
    menus.choose(QStringLiteral("Menu_View"), QStringLiteral("Menu_ToggleInspector"));
    EXPECT_FALSE(window->isInspectorCollapsed());
}

TEST_F(PrintJobDocumentTest, TheFileMenuNamesThePrintItemAsTheModelPrints) {
    AppDelegate delegate;
    auto* print = delegate.mainMenu()->findChild<QAction*>(QStringLiteral("Menu_Print"));
    auto* file = delegate.mainMenu()->findChild<QMenu*>(QStringLiteral("Menu_File"));
    ASSERT_TRUE(print && file);
    PrintJobDocument* document = newDocument(delegate);
    emit file->aboutToShow();
    const QString title = document->job().deviceDescriptor()->printMenuItemTitle();
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(print->text().remove(u'&'), title);
    // Without a document the item keeps its plain name.
    delegate.documentController()->removeDocument(document);
    QApplication::processEvents();
    emit file->aboutToShow();
    EXPECT_EQ(print->text(), QStringLiteral("&Print…"));
}

// Revert to Saved is offered only when it would change what is open: a
// document with a file that was edited since it was opened or saved.
TEST_F(PrintJobDocumentTest, RevertToSavedIsOfferedOnlyWhenThePackageDiffersFromWhatIsOpen) {
    AppDelegate delegate;
    auto* revert = delegate.mainMenu()->findChild<QAction*>(QStringLiteral("Menu_Revert"));
    auto* file = delegate.mainMenu()->findChild<QMenu*>(QStringLiteral("Menu_File"));
    ASSERT_TRUE(revert && file);
    EXPECT_FALSE(revert->isEnabled());
    PrintJobDocument* document = newDocument(delegate);
    document->job().setImageRepeatXCount(2);
    QApplication::processEvents();
    EXPECT_FALSE(revert->isEnabled()) << "no file to go back to";

    bool saved = false;
    const QString package = folder.filePath(QStringLiteral("Job.lunvik"));
    delegate.documentController()->saveDocumentTo(document, package,
                                                  [&saved](bool ok) { saved = ok; });
    ASSERT_TRUE(run_test::waitUntil([&] { return saved; }));
    emit file->aboutToShow();
    EXPECT_FALSE(revert->isEnabled()) << "just saved";
    document->job().setImageRepeatXCount(3);
    QApplication::processEvents();
    EXPECT_TRUE(revert->isEnabled()) << "edited";
    document->undoManager()->undo();
    QApplication::processEvents();
    EXPECT_FALSE(revert->isEnabled()) << "the edit undone";
    document->job().setImageRepeatXCount(3);
    QApplication::processEvents();

    // The item follows the document in front.
    PrintJobDocument* untitled = newDocument(delegate);
    EXPECT_FALSE(revert->isEnabled());
    delegate.documentController()->setCurrentDocument(document);
    EXPECT_TRUE(revert->isEnabled());
    delegate.documentController()->removeDocument(document);
    delegate.documentController()->setCurrentDocument(untitled);
    EXPECT_FALSE(revert->isEnabled());

    // Opened again: nothing to revert until it is edited.
    bool opened = false;
    delegate.documentController()->openDocument(
        package, true, [&opened](kestrom::Document*, bool, auto error) { opened = !error; });
    ASSERT_TRUE(run_test::waitUntil([&] { return opened; }));
    QApplication::processEvents();
    emit file->aboutToShow();
    auto* reopened = delegate.documentController()->documentForPath(package);
    ASSERT_TRUE(reopened);
    ASSERT_EQ(delegate.documentController()->currentDocument(), reopened);
    EXPECT_FALSE(revert->isEnabled()) << "just opened";
    qobject_cast<PrintJobDocument*>(reopened)->job().setImageRepeatXCount(4);
    QApplication::processEvents();
    EXPECT_TRUE(revert->isEnabled());
}

// File > Revert to Saved on a package that another program changed so that
// it no longer opens: the question, then the error, and the window keeps
// the document as it was, edits and undo steps included.
TEST_F(PrintJobDocumentTest, ARevertTheWindowAsksForAndThePackageRefusesChangesNothing) {
    AppDelegate delegate;
    auto* revert = delegate.mainMenu()->findChild<QAction*>(QStringLiteral("Menu_Revert"));
    ASSERT_TRUE(revert);
    // A settings key changed or removed.
    const QList<std::pair<QString, QVariant>> damages{
        {QStringLiteral("modelName"), QStringLiteral("Gone")},
        {QStringLiteral("imageOffsetBase"), QVariant()},
    };
    int n = 0;
    for (const auto& [key, value] : damages) {
        SCOPED_TRACE(key.toStdString());
        PrintJobDocument* document = newDocument(delegate);
        document->job().setOriginalImage(run_test::picture());
        const QString package = folder.filePath(QStringLiteral("Job%1.lunvik").arg(++n));
        bool saved = false;
        delegate.documentController()->saveDocumentTo(document, package,
                                                      [&saved](bool ok) { saved = ok; });
        ASSERT_TRUE(run_test::waitUntil([&] { return saved; }));

        // Edits as the window makes them, one event each.
        const QString savedModel = document->job().deviceDescriptor()->modelName();
        const auto& models = ambrel::DeviceDescriptor::supported();
        const auto otherModel = models.at(models.at(0)->modelName() == savedModel ? 1 : 0);
        document->job().setDeviceDescriptor(otherModel);
        QCoreApplication::processEvents();
        document->job().setImageRepeatXCount(4);
        QCoreApplication::processEvents();
        DocumentWindow* window = DocumentWindow::windowFor(document);
        ASSERT_TRUE(window->isWindowModified());
        const QString undoName = document->undoManager()->undoActionName();

        const QString settingsFile = package + QStringLiteral("/Settings.plist");
        QVariantMap settings = platform::PropertyList::readFile(settingsFile).toMap();
        if (value.isValid()) {
            settings.insert(key, value);
        } else {
            settings.remove(key);
        }
        platform::PropertyList::writeFile(settingsFile, settings);

        delegate.documentController()->setCurrentDocument(document);
        ASSERT_TRUE(revert->isEnabled());
        revert->trigger();
        QAbstractButton* revertButton = nullptr;
        ASSERT_TRUE(run_test::waitUntil([&] {
            for (auto* box : window->findChildren<QMessageBox*>()) {
                for (QAbstractButton* button : box->buttons()) {
                    if (box->buttonRole(button) == QMessageBox::DestructiveRole) {
                        revertButton = button;
                    }
                }
            }
            return revertButton != nullptr;
        }));
        QTest::mouseClick(revertButton, Qt::LeftButton);
        QMessageBox* error = nullptr;
        ASSERT_TRUE(run_test::waitUntil([&] {
            error = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
            return error != nullptr;
        }));
        ASSERT_TRUE(
            run_test::waitUntil([&] { return !delegate.documentController()->isBusy(document); }));

        EXPECT_EQ(document->job().deviceDescriptor(), otherModel);
        EXPECT_EQ(document->job().imageRepeatXCount(), 4);
        EXPECT_TRUE(document->job().originalImage());
        EXPECT_TRUE(document->isEdited());
        EXPECT_TRUE(window->isWindowModified());
        EXPECT_EQ(document->undoManager()->undoActionName(), undoName);
        document->undoManager()->undo();
        document->undoManager()->undo();
        EXPECT_EQ(document->job().deviceDescriptor()->modelName(), savedModel);
        EXPECT_EQ(document->job().imageRepeatXCount(), 1);
        EXPECT_FALSE(document->isEdited());
        error->close();
        delegate.documentController()->removeDocument(document);
    }
}
