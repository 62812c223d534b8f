#pragma once

#include "core/document/application/Document.h"
#include "core/document/application/DocumentPanels.h"
#include "core/document/application/RecentDocuments.h"
#include "core/document/package/PackageFingerprint.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace platform {
class Error;
}

namespace kestrom {

class KeptVersion;
class KeptVersions;

// The application's documents: making new ones, opening, saving, reverting
// and closing them, the recent list, and saving edited documents in place.
class DocumentController : public QObject {
    Q_OBJECT
public:
    using DocumentMaker = std::function<std::unique_ptr<Document>()>;
    // Shows a document's window (made on first display).
    using WindowMaker = std::function<void(Document& document)>;
    using OpenHandler = std::function<void(Document* document, bool alreadyOpen,
                                           std::shared_ptr<const platform::Error> error)>;

    explicit DocumentController(DocumentMaker makeDocument, QObject* parent = nullptr);
    ~DocumentController() override;

    // The application's controller: the first one made.
    static DocumentController* shared();

    void setWindowMaker(WindowMaker maker) { m_makeWindow = std::move(maker); }
    // Makes a document's window without showing it, while its package is
    // read on a worker, so that the window is built meanwhile rather than
    // after; the window maker then shows it. A window so made for a package
    // that fails to open closes with its document (Document::closing).
    void setWindowPreparer(WindowMaker preparer) { m_prepareWindow = std::move(preparer); }
    // The size a document's picture is first decoded to when its package is
    // read (opened, reverted, reopened), given the document, which may have
    // no window yet; see Document::setQuickDecodeBound. Without it pictures
    // are decoded whole before their documents show.
    using QuickDecodeBound = std::function<PackageDecodeBound(const Document& document)>;
    void setQuickDecodeBound(QuickDecodeBound bound) { m_quickDecodeBound = std::move(bound); }
    void setPanels(DocumentPanels* panels) { m_panels = panels; }
    void setRecentDocuments(RecentDocuments recent);
    // How long after its last change an edited document with a file is saved.
    void setAutosaveDelay(int milliseconds) { m_autosaveDelay = milliseconds; }
    // Where the version of each package as opened or explicitly saved is
    // kept while its document is open, for Revert to Saved. Without it,
    // reverting reads the package as it is now.
    void setKeptVersions(std::shared_ptr<const KeptVersions> versions);
    // The kept version of the document; nothing while it is being made.
    const KeptVersion* keptVersion(const Document* document) const;
    // Whether saving in place has stopped for the document: its package
    // changed on disk and the user has not answered yet, or no version of
    // it could be kept.
    bool isAutosaveStopped(const Document* document) const;

    QList<Document*> documents() const;
    Document* documentForPath(const QString& path) const;
    // The document of the active window, else the newest document.
    Document* currentDocument() const;
    void setCurrentDocument(Document* document);

    // A new untitled document, shown when display is true; throws
    // platform::Error when it cannot be made.
    Document* openUntitledDocument(bool display);

    // Opens the package (or brings its document forward); the handler runs
    // on the main thread once the package has been read, or with the error.
    // When exactly one document is open and it is untitled and untouched, it
    // is closed once the package has been read, if it is still untouched.
    // An error is shown to the user, or only told to the handler (whose
    // caller reports it).
    enum class OpenErrors { presented, toHandlerOnly };
    void openDocument(const QString& path, bool display, OpenHandler handler = {},
                      OpenErrors errors = OpenErrors::presented);
    void openDocumentWithPanel();
    // The paths given on the command line. None, or none that opens, gives a
    // new untitled document.
    void openDocumentsFromArguments(const QStringList& paths);
    // Packages being read: their documents are not in documents() yet.
    int openingCount() const { return int(m_opening.size()); }

    const QStringList& recentDocumentPaths() const { return m_recent.paths(); }
    QStringList recentDocumentTitles() const { return m_recent.titles(); }
    void clearRecentDocuments();

    // Saves in place, or asks for a location when the document has none.
    void saveDocument(Document* document);
    // `done` runs with false when the panel is cancelled or writing fails.
    void saveDocumentAs(Document* document, std::function<void(bool saved)> done = {});
    // Writes the document to the path and then makes it the document's
    // file; a path without the package extension gets it. `done` runs on
    // the main thread with false (the error presented) when writing fails;
    // the document then keeps its file and stays edited. Reads and writes
    // of one document run one after the other, in the order asked.
    void saveDocumentTo(Document* document, const QString& path,
                        std::function<void(bool saved)> done = {});
    // After confirmation, goes back to the version as last opened or
    // explicitly saved (the kept version, else the file as it is), dropping
    // changes and the undo steps; when the package was saved in place since,
    // it is written again with that version.
    void revertDocumentToSaved(Document* document);
    // Whether reverting would change what is open: the document has a file
    // and unsaved edits, or was saved in place since the version reverted
    // to, or its package was changed by another program.
    bool hasChangesToRevert(const Document* document) const;
    // Whether a read or write of the document is under way.
    bool isBusy(Document* document) const { return m_fileWork.contains(document); }
    // Closes at once, or after asking when the document is edited.
    void closeDocument(Document* document, std::function<void(bool closed)> done = {});
    // Closes without asking; the kept version goes.
    void removeDocument(Document* document);

signals:
    // Saving in place stopped or goes on again (isAutosaveStopped).
    void autosaveStoppedChanged(Document* document, bool stopped);
    void documentsChanged();
    void recentDocumentsChanged();
    void currentDocumentChanged(Document* document);

private slots:
    void readNoticeReady();

private:
    using FileWork = std::function<void(std::function<void()> finished)>;
    // A restore writes the kept version back into the package.
    enum class SaveKind { explicitSave, autosave, restore };
    // What the controller knows of a document's package.
    struct FileState {
        // The package as the document last read or wrote it.
        std::optional<PackageFingerprint> onDisk;
        std::shared_ptr<KeptVersion> kept;
        bool keepFailed = false;
        // Keeping is tried again after this many milliseconds, doubling
        // with each failure; not before nextKeepAttempt.
        int keepRetryDelay = 0;
        QDeadlineTimer nextKeepAttempt;
        // Another program changed the package: autosave waits for the answer.
        bool changedElsewhere = false;
        bool asking = false;
        // What autosaveStoppedChanged last told.
        bool announcedStopped = false;
    };
    struct Opening {
        QString path;
        PackageFingerprint fingerprint;
        std::unique_ptr<Document> document;
        bool display = false;
        bool presentsError = true;
        QPointer<Document> untouched;
        std::vector<OpenHandler> handlers;
    };

    void addDocument(std::unique_ptr<Document> document, bool display);
    void finishOpening(Document* document, std::shared_ptr<const platform::Error> error);
    void runFileWork(Document* document, FileWork work);
    void startFileWork(Document* document, FileWork work);
    void fileWorkFinished(Document* document);
    void presentError(Document* document, const platform::Error& error);
    // Shows what the document's last read could not read, if anything.
    void presentReadNotice(Document* document);
    // Before a background read of the document starts.
    void prepareRead(Document* document);
    // After the autosave delay, or the given milliseconds.
    void scheduleAutosave(Document* document, int delay = -1);
    void autosave(Document* document);
    // replaceChanged: the user chose to write over another program's change.
    void writeDocument(Document* document, const QString& path, SaveKind kind,
                       std::function<void(bool saved)> done, bool replaceChanged = false);
    void finishWriting(Document* document, const QString& package, SaveKind kind,
                       const std::optional<PackageFingerprint>& written);
    // The package as the document has just read it; `before` is what was
    // there when reading began.
    void noteRead(Document* document, const PackageFingerprint& before);
    FileState* fileState(const Document* document);
    const FileState* fileState(const Document* document) const;
    // Replaces the kept version by one of the package as it is now.
    void keepVersion(Document* document);
    void announceAutosaveState(Document* document);
    void askAboutChangeOnDisk(Document* document, SaveKind kind);
    void reopenFromDisk(Document* document);
    QString packagePath(const QString& path) const;

    DocumentMaker m_makeDocument;
    WindowMaker m_makeWindow;
    WindowMaker m_prepareWindow;
    QuickDecodeBound m_quickDecodeBound;
    DocumentPanels* m_panels = nullptr;
    RecentDocuments m_recent;
    std::vector<std::unique_ptr<Document>> m_documents;
    std::vector<Opening> m_opening;
    // The reads and writes waiting behind the one under way, per document.
    QHash<Document*, std::deque<FileWork>> m_fileWork;
    std::map<const Document*, FileState> m_fileStates;
    std::shared_ptr<const KeptVersions> m_keptVersions;
    QPointer<Document> m_current;
    int m_untitledCount = 0;
    int m_autosaveDelay = 15000;
};

} // namespace kestrom
