#pragma once

#include "core/document/Document.h"
#include "core/document/DocumentPanels.h"
#include "core/document/RecentDocuments.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace platform {
class Error;
}

namespace kestrom {

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
    void setPanels(DocumentPanels* panels) { m_panels = panels; }
    void setRecentDocuments(RecentDocuments recent);
    // How long after its last change an edited document with a file is saved.
    void setAutosaveDelay(int milliseconds) { m_autosaveDelay = milliseconds; }

    QList<Document*> documents() const;
    Document* documentForPath(const QString& path) const;
    // The document of the active window, else the newest document.
    Document* currentDocument() const;
    void setCurrentDocument(Document* document);

    // A new untitled document, shown when display is true; throws
    // platform::Error when it cannot be made.
    Document* openUntitledDocument(bool display);

    // Opens the package (or brings its document forward). When exactly one
    // document is open and it is untitled and untouched, it is closed once
    // the package has been read.
    void openDocument(const QString& path, bool display, OpenHandler handler = {});
    void openDocumentWithPanel();
    // The paths given on the command line; none opens a new untitled document.
    void openDocumentsFromArguments(const QStringList& paths);

    const QStringList& recentDocumentPaths() const { return m_recent.paths(); }
    void clearRecentDocuments();

    // Saves in place, or asks for a location when the document has none.
    void saveDocument(Document* document);
    void saveDocumentAs(Document* document);
    // Writes the document to the path and makes it the document's file; a
    // path without the package extension gets it. False (with the error
    // presented) when writing fails.
    bool saveDocumentTo(Document* document, const QString& path);
    // After confirmation, reads the document's file again, dropping changes.
    void revertDocumentToSaved(Document* document);
    // Closes at once, or after asking when the document is edited.
    void closeDocument(Document* document, std::function<void(bool closed)> done = {});
    // Closes without asking.
    void removeDocument(Document* document);

signals:
    void documentsChanged();
    void recentDocumentsChanged();
    void currentDocumentChanged(Document* document);

private:
    void addDocument(std::unique_ptr<Document> document, bool display);
    void presentError(Document* document, const platform::Error& error);
    void scheduleAutosave(Document* document);
    void autosave(Document* document);
    QString packagePath(const QString& path) const;

    DocumentMaker m_makeDocument;
    WindowMaker m_makeWindow;
    DocumentPanels* m_panels = nullptr;
    RecentDocuments m_recent;
    std::vector<std::unique_ptr<Document>> m_documents;
    QPointer<Document> m_current;
    int m_untitledCount = 0;
    int m_autosaveDelay = 15000;
};

} // namespace kestrom
