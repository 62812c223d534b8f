#pragma once

#include "core/document/application/DocumentController.h"
#include "core/window/DocumentCommandItems.h"

#include <QAction>
#include <QObject>
#include <QPointer>

#include <memory>

class QMenu;
class QMenuBar;

namespace kestrom {

class DocumentWindow;
class ScriptingService;
class WidgetDocumentPanels;

// Starts the application: registers the user's defaults, renames the main
// menu after the application, opens the documents it was given, and answers
// the menu commands that belong to no single window.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(DocumentController::DocumentMaker makeDocument = {},
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    DocumentController* documentController() const { return m_documentController.get(); }
    // Scripts and other programs' pictures over the session bus; made when
    // launching finishes.
    ScriptingService* scriptingService() const { return m_scripting.get(); }
    QMenuBar* mainMenu() const { return m_mainMenu; }

    // Before the first document exists: the held keys are read from the
    // toolkit, the user's defaults get the values they lack, the recent
    // documents are read, and scripts and other programs' pictures are
    // answered on the session bus.
    void applicationWillFinishLaunching();
    // Renames the menus and opens the files given on the command line, or a
    // new untitled document.
    void applicationDidFinishLaunching(const QStringList& documentPaths);
    // When another copy of the application runs in this session (it has the
    // bus name), hands it the files given on the command line and answers
    // true: this start then ends. False without a session bus, or when the
    // other copy does not answer; this start then stays on its own.
    bool handOverToRunningApplication(const QStringList& paths);

    // Files from the command line: document packages open (an open one
    // comes to the front); pictures are loaded as the Services entry loads
    // one. Nothing at all gives a new untitled document when none is open.
    // Files another start hands over take the bus (ScriptingService).
    void openFiles(const QStringList& paths);
    // Begins reading the packages among the files of the command line as
    // soon as the application object exists, while the rest is built;
    // openFiles takes those reads. What no open takes is dropped by
    // PackageReadAhead::dropAll. Nothing is read while another copy of the
    // application has the bus name (handOverToRunningApplication).
    // platform::FirstFrameGate stays closed until a document window's first
    // frame is drawn, or for firstFrameGateLimit at most.
    static void readPackagesAhead(const QStringList& paths);
    static constexpr int firstFrameGateLimit = 2000; // ms
    // Another start without files: the current window comes to the front,
    // or a new document when none is open.
    void activate();

    // The name the menus carry: the application bundle's name.
    static QString applicationName();

    void setRecentMenu(QMenu* menu);
    void setUndoItems(QAction* undo, QAction* redo);
    // An item of a command of the document in front (Paste, the Picture
    // menu): enabled, checked and titled as the document validates it.
    void addDocumentCommandItem(QAction* item, DocumentActions::Action action);
    // View › Show or Hide Settings, titled after the window in front.
    void setToggleInspectorItem(QAction* item);
    // Brings every item of the document in front up to date.
    void refreshDocumentItems();
    // File › Revert to Saved, enabled while the current document differs
    // from the version it would go back to.
    void setRevertItem(QAction* revert);
    void refreshRevertItem();
    // Names the print item as the current document's model prints.
    void titlePrintItem(QAction& print) const;

public slots:
    void showAboutPanel();
    void showHelpPanel();
    void showAcknowledgmentsPanel();
    void newDocument();
    void openDocument();
    void closeDocument();
    void saveDocument();
    void saveDocumentAs();
    void revertDocumentToSaved();
    void printDocument();
    void undo();
    void redo();
    void paste();
    void performDocumentCommand(DocumentActions::Action action);
    void toggleInspector();
    void terminate();

private:
    void showWindow(Document& document);
    // Quitting closes the documents in turn; a cancelled question stops it.
    void closeNextDocumentToQuit();
    void raiseWindowOf(Document* document);
    void rebuildRecentMenu();
    void followCurrentDocument(Document* document);
    void refreshUndoItems();
    // The items that follow the document's own state.
    void refreshItemsAfterChange();
    // Packages open as documents; pictures go into a document as a
    // picture given by another program does.
    void openChosenFiles(const QStringList& paths);
    DocumentWindow* currentWindow() const;

    std::unique_ptr<WidgetDocumentPanels> m_panels;
    std::unique_ptr<DocumentController> m_documentController;
    std::unique_ptr<ScriptingService> m_scripting;
    QMenuBar* m_mainMenu = nullptr;
    QPointer<QMenu> m_recentMenu;
    QPointer<QAction> m_undoItem;
    QPointer<QAction> m_redoItem;
    DocumentCommandItems m_documentItems;
    // Paste: reading the clipboard may wait on another program, so it is
    // checked when the clipboard, the window in front or the menu changes,
    // never on every edit.
    DocumentCommandItems m_clipboardItems;
    QPointer<QAction> m_toggleInspectorItem;
    QPointer<QAction> m_revertItem;
    QPointer<Document> m_followed;
    // The document a quit is asking about.
    QPointer<Document> m_quitAsking;
    QMetaObject::Connection m_undoStateConnection;
    QMetaObject::Connection m_filePathConnection;
    QMetaObject::Connection m_editedConnection;
};

} // namespace kestrom
