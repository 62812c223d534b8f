#include "core/launch/AppDelegate.h"

#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/UserDefaultsKeys.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/KeptVersions.h"
#include "core/document/package/PackageReadAhead.h"
#include "core/launch/FirstFrameWork.h"
#include "core/launch/MainMenu.h"
#include "core/launch/MenuMnemonics.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/AboutPanelController.h"
#include "core/window/DocumentWindow.h"
#include "core/window/HelpPanelController.h"
#include "core/window/KeyboardModifierSource.h"
#include "core/window/WidgetDocumentPanels.h"
#include "core/window/WindowRunPresenter.h"
#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/FirstFrameGate.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTimer>

namespace kestrom {

namespace {

std::unique_ptr<Document> printJobDocument() {
    return std::make_unique<PrintJobDocument>();
}

} // namespace

AppDelegate::AppDelegate(DocumentController::DocumentMaker makeDocument, QObject* parent)
    : QObject(parent), m_panels(std::make_unique<WidgetDocumentPanels>()),
      m_documentController(std::make_unique<DocumentController>(
          makeDocument ? std::move(makeDocument)
                       : DocumentController::DocumentMaker(printJobDocument))) {
    m_documentController->setPanels(m_panels.get());
    m_documentController->setWindowMaker([this](Document& document) { showWindow(document); });
    m_documentController->setQuickDecodeBound(&DocumentWindow::quickDecodeBound);
    m_documentController->setWindowPreparer([this](Document& document) {
        if (!DocumentWindow::windowFor(&document)) {
            auto* window = new DocumentWindow(&document, m_documentController.get(), m_mainMenu);
            // While the picture decodes, the main thread has time for them.
            QMetaObject::invokeMethod(window, &DocumentWindow::drawIconsAhead,
                                      Qt::QueuedConnection);
        }
    });
    connect(m_documentController.get(), &DocumentController::recentDocumentsChanged, this,
            &AppDelegate::rebuildRecentMenu);
    connect(m_documentController.get(), &DocumentController::currentDocumentChanged, this,
            &AppDelegate::followCurrentDocument);
    m_mainMenu = MainMenu::make(*this);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &AppDelegate::refreshDocumentItems);
}

AppDelegate::~AppDelegate() {
    m_scripting.reset();
    m_documentController.reset();
    delete m_mainMenu;
}

QString AppDelegate::applicationName() {
    return platform::Bundle::main()->name();
}

void AppDelegate::applicationWillFinishLaunching() {
    // Debugging actions and debug prints answer to the keys held.
    KeyboardModifierSource::install();
    for (const UserDefaultsKeyProtocol* key : UserDefaultsKeys::allCases()) {
        key->registerIn(platform::UserDefaults::standard());
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!folder.isEmpty()) {
        m_documentController->setRecentDocuments(
            RecentDocuments(QDir(folder).filePath(QStringLiteral("RecentDocuments"))));
    }
    if (const QString kept = KeptVersions::standardFolder(); !kept.isEmpty()) {
        auto versions = std::make_shared<const KeptVersions>(kept);
        m_documentController->setKeptVersions(versions);
        DocumentWorkQueue::run([versions] { versions->removeStale(); });
    }
    m_scripting = std::make_unique<ScriptingService>(*m_documentController);
    connect(m_scripting.get(), &ScriptingService::activationRequested, this,
            &AppDelegate::activate);
    m_scripting->registerOn(QDBusConnection::sessionBus());
}

bool AppDelegate::handOverToRunningApplication(const QStringList& paths) {
    if (!m_scripting || !m_scripting->isNameTaken()) {
        return false;
    }
    QStringList absolute;
    for (const QString& path : paths) {
        absolute << QFileInfo(path).absoluteFilePath();
    }
    return ScriptingService::handOver(QDBusConnection::sessionBus(), absolute);
}

void AppDelegate::openFiles(const QStringList& paths) {
    QStringList packages;
    QStringList pictures;
    for (const QString& path : paths) {
        (m_scripting && ScriptingService::isPictureFile(path) ? pictures : packages) << path;
    }
    if (!packages.isEmpty() || pictures.isEmpty()) {
        m_documentController->openDocumentsFromArguments(packages);
    }
    for (const QString& picture : pictures) {
        m_scripting->loadPictureFile(picture);
    }
}

void AppDelegate::readPackagesAhead(const QStringList& paths) {
    QStringList packages;
    for (const QString& path : paths) {
        // Packages are folders: a picture, or a path that is nothing, takes
        // the way openFiles gives it.
        if (const QFileInfo file(path); file.isDir()) {
            packages << file.absoluteFilePath();
        }
    }
    if (packages.isEmpty()) {
        return;
    }
    // A copy that runs already takes the files over: reading them here would
    // only slow its open. The bus is connected now rather than a moment later.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface() &&
        bus.interface()->isServiceRegistered(ScriptingService::serviceName)) {
        return;
    }
    // Their pictures decode on several cores already: work that would take
    // every core besides (the print's gray) keeps to one thread until their
    // window's first frame is drawn, or a while at most.
    platform::FirstFrameGate::close();
    QTimer::singleShot(firstFrameGateLimit, qApp, [] { platform::FirstFrameGate::open(); });
    for (const QString& package : packages) {
        PackageReadAhead::begin(package, DocumentWindow::firstWindowDecodeBound());
    }
}

void AppDelegate::activate() {
    if (m_documentController->documents().isEmpty()) {
        newDocument();
        return;
    }
    raiseWindowOf(m_documentController->currentDocument());
}

void AppDelegate::applicationDidFinishLaunching(const QStringList& documentPaths) {
    if (m_mainMenu) {
        MainMenu::rename(*m_mainMenu, applicationName());
    }
    openFiles(documentPaths);
}

void AppDelegate::setRecentMenu(QMenu* menu) {
    m_recentMenu = menu;
    rebuildRecentMenu();
}

void AppDelegate::rebuildRecentMenu() {
    if (!m_recentMenu) {
        return;
    }
    m_recentMenu->clear();
    const QStringList& paths = m_documentController->recentDocumentPaths();
    const QStringList titles = m_documentController->recentDocumentTitles();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString path = paths[i];
        QAction* entry = m_recentMenu->addAction(MenuMnemonics::escaped(titles.value(i)));
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this,
                [this, path] { m_documentController->openDocument(path, true); });
    }
    m_recentMenu->addSeparator();
    QAction* clear = m_recentMenu->addAction(KestromText::text("Menu_ClearRecent"));
    clear->setEnabled(!m_documentController->recentDocumentPaths().isEmpty());
    connect(clear, &QAction::triggered, m_documentController.get(),
            &DocumentController::clearRecentDocuments);
}

void AppDelegate::setUndoItems(QAction* undo, QAction* redo) {
    m_undoItem = undo;
    m_redoItem = redo;
    refreshUndoItems();
}

void AppDelegate::setRevertItem(QAction* revert) {
    m_revertItem = revert;
    refreshRevertItem();
}

void AppDelegate::refreshRevertItem() {
    // A document that was never saved has no file to go back to; one just
    // opened or saved has nothing to go back from.
    if (m_revertItem) {
        m_revertItem->setEnabled(m_documentController->hasChangesToRevert(m_followed));
    }
}

void AppDelegate::addDocumentCommandItem(QAction* item, DocumentActions::Action action) {
    (action == DocumentActions::Action::paste ? m_clipboardItems : m_documentItems)
        .add(item, action);
    connect(item, &QAction::triggered, this, [this, action] { performDocumentCommand(action); });
    refreshDocumentItems();
}

void AppDelegate::setToggleInspectorItem(QAction* item) {
    m_toggleInspectorItem = item;
    connect(item, &QAction::triggered, this, &AppDelegate::toggleInspector);
    refreshDocumentItems();
}

DocumentWindow* AppDelegate::currentWindow() const {
    return m_followed ? DocumentWindow::windowFor(m_followed) : nullptr;
}

void AppDelegate::refreshDocumentItems() {
    refreshItemsAfterChange();
    m_clipboardItems.refresh(currentWindow());
}

void AppDelegate::refreshItemsAfterChange() {
    const DocumentWindow* window = currentWindow();
    m_documentItems.refresh(window);
    if (m_toggleInspectorItem) {
        m_toggleInspectorItem->setEnabled(window);
        m_toggleInspectorItem->setText(window ? window->toggleInspectorMenuTitle()
                                              : KestromText::text("Menu_HideInspector"));
    }
}

void AppDelegate::titlePrintItem(QAction& print) const {
    const DocumentWindow* window = currentWindow();
    const PrintDocument* job = window ? window->printDocument() : nullptr;
    const auto& descriptor = job ? job->deviceDescriptor() : nullptr;
    print.setText(descriptor ? descriptor->printMenuItemTitle() : KestromText::text("Menu_Print"));
}

void AppDelegate::paste() {
    performDocumentCommand(DocumentActions::Action::paste);
}

void AppDelegate::performDocumentCommand(DocumentActions::Action action) {
    // A shortcut may come before the item was brought up to date.
    if (DocumentWindow* window = currentWindow();
        window && window->validateCommand(action).enabled) {
        window->performCommand(action);
    }
    refreshDocumentItems();
}

void AppDelegate::toggleInspector() {
    if (DocumentWindow* window = currentWindow()) {
        window->toggleInspector();
    }
    refreshDocumentItems();
}

void AppDelegate::followCurrentDocument(Document* document) {
    disconnect(m_undoStateConnection);
    disconnect(m_filePathConnection);
    disconnect(m_editedConnection);
    m_followed = document;
    if (document) {
        // Every change of the job registers its undo.
        m_undoStateConnection = connect(document, &Document::undoStateChanged, this, [this] {
            refreshUndoItems();
            refreshItemsAfterChange();
        });
        m_filePathConnection =
            connect(document, &Document::filePathChanged, this, &AppDelegate::refreshRevertItem);
        m_editedConnection =
            connect(document, &Document::editedChanged, this, &AppDelegate::refreshRevertItem);
    }
    refreshUndoItems();
    refreshDocumentItems();
    refreshRevertItem();
}

void AppDelegate::refreshUndoItems() {
    platform::UndoManager* undo = m_followed ? m_followed->undoManager() : nullptr;
    if (m_undoItem) {
        m_undoItem->setEnabled(undo && undo->canUndo());
        m_undoItem->setText(undo ? undo->undoMenuItemTitle() : KestromText::text("Menu_Undo"));
    }
    if (m_redoItem) {
        m_redoItem->setEnabled(undo && undo->canRedo());
        m_redoItem->setText(undo ? undo->redoMenuItemTitle() : KestromText::text("Menu_Redo"));
    }
}

void AppDelegate::undo() {
    if (m_followed && m_followed->undoManager() && m_followed->undoManager()->canUndo()) {
        m_followed->undoManager()->undo();
    }
}

void AppDelegate::redo() {
    if (m_followed && m_followed->undoManager() && m_followed->undoManager()->canRedo()) {
        m_followed->undoManager()->redo();
    }
}

void AppDelegate::showWindow(Document& document) {
    if (!DocumentWindow::windowFor(&document)) {
        new DocumentWindow(&document, m_documentController.get(), m_mainMenu);
    }
    raiseWindowOf(&document);
    if (!platform::FirstFrameGate::isOpen()) {
        FirstFrameWork::after(DocumentWindow::windowFor(&document),
                              [] { platform::FirstFrameGate::open(); });
    }
    // The document became the current one before it had its window. The
    // clipboard is asked once the window is drawn: on X11 that asks the
    // program holding the clipboard, which the frame need not wait for.
    refreshItemsAfterChange();
    FirstFrameWork::after(DocumentWindow::windowFor(&document),
                          [self = QPointer<AppDelegate>(this)] {
                              if (self) {
                                  self->m_clipboardItems.refresh(self->currentWindow());
                              }
                          });
}

void AppDelegate::showAboutPanel() {
    AboutPanelController::shared().showWindow();
}

void AppDelegate::showHelpPanel() {
    HelpPanelController::shared().showHelp();
}

void AppDelegate::showAcknowledgmentsPanel() {
    HelpPanelController::shared().showAcknowledgments();
}

void AppDelegate::newDocument() {
    try {
        m_documentController->openUntitledDocument(true);
    } catch (const platform::Error& e) {
        m_panels->presentError(nullptr, e);
    }
}

void AppDelegate::openDocument() {
    QPointer<AppDelegate> self(this);
    m_panels->chooseDocumentsToOpen([self](const QStringList& paths) {
        // Once the panel has gone: a window that shows a panel takes no
        // picture.
        QMetaObject::invokeMethod(
            self,
            [self, paths] {
                if (self) {
                    self->openChosenFiles(paths);
                }
            },
            Qt::QueuedConnection);
    });
}

void AppDelegate::openChosenFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        if (m_scripting && ScriptingService::isPictureFile(path)) {
            m_scripting->loadPictureFile(path);
        } else {
            m_documentController->openDocument(path, true);
        }
    }
}

void AppDelegate::closeDocument() {
    if (QWidget* window = QApplication::activeWindow()) {
        window->close();
    }
}

void AppDelegate::saveDocument() {
    m_documentController->saveDocument(m_documentController->currentDocument());
}

void AppDelegate::saveDocumentAs() {
    m_documentController->saveDocumentAs(m_documentController->currentDocument());
}

void AppDelegate::revertDocumentToSaved() {
    m_documentController->revertDocumentToSaved(m_documentController->currentDocument());
}

void AppDelegate::printDocument() {
    auto* document = qobject_cast<PrintJobDocument*>(m_documentController->currentDocument());
    DocumentWindow* window = document ? DocumentWindow::windowFor(document) : nullptr;
    // No print while the maintenance popover is busy with the device.
    if (window && !(window->isPresentingMaintenancePopover() && !window->maintenanceCanClose())) {
        document->printDocument(window->runPresenter());
    }
}

void AppDelegate::terminate() {
    if (m_quitAsking) {
        // Already asking about a document: bring the question forward.
        raiseWindowOf(m_quitAsking);
        return;
    }
    closeNextDocumentToQuit();
}

void AppDelegate::closeNextDocumentToQuit() {
    if (m_quitAsking) {
        return;
    }
    const QList<Document*> open = m_documentController->documents();
    if (open.isEmpty()) {
        QApplication::quit();
        return;
    }
    // One document at a time, asked about on its own window; the answer
    // decides whether the quit goes on.
    Document* next = open.first();
    if (next->isEdited()) {
        raiseWindowOf(next);
    }
    m_quitAsking = next;
    QPointer<AppDelegate> self(this);
    m_documentController->closeDocument(next, [self](bool closed) {
        if (!self) {
            return;
        }
        self->m_quitAsking = nullptr;
        if (closed) {
            // Once the closed window and its question are gone, so that
            // the next window can come to the front.
            QMetaObject::invokeMethod(self, &AppDelegate::closeNextDocumentToQuit,
                                      Qt::QueuedConnection);
        }
    });
}

void AppDelegate::raiseWindowOf(Document* document) {
    if (DocumentWindow* window = DocumentWindow::windowFor(document)) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

} // namespace kestrom
