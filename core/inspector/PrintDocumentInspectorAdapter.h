#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QMimeData;

namespace kestrom {

class ImageImport;
class PrintDocument;

// What the inspector's panes need beyond the print document itself: the
// document window's print action and picture import. Panes read, write and
// observe the document directly, and hold a control's drag open on its undo
// manager as one step.
// The document must outlive the adapter.
class PrintDocumentInspectorAdapter : public QObject {
    Q_OBJECT
public:
    explicit PrintDocumentInspectorAdapter(PrintDocument& document, QObject* parent = nullptr);
    ~PrintDocumentInspectorAdapter() override;

    PrintDocument& document() const { return m_document; }

    // What the document window adds: its print action (the job printed
    // behind the window's progress sheet) and the document's picture import.
    // Without them printing and importing do nothing.
    void setPrintAction(std::function<void()> action) { m_printAction = std::move(action); }
    void setImageImport(std::shared_ptr<ImageImport> import) { m_imageImport = std::move(import); }

    // Pictures coming in. A drag started in this application is refused.
    bool acceptsImageDrop(const QMimeData* data, bool fromThisApplication) const;
    // Starts the import and returns at once; the picture arrives later.
    void importImageDrop(const QMimeData* data, bool fromThisApplication);
    // The open panel, starting near the current picture's file.
    void presentImageOpenPanel();
    // Starts the print of the job (behind the window's progress sheet).
    void printDocument();

private:
    PrintDocument& m_document;
    std::function<void()> m_printAction;
    std::shared_ptr<ImageImport> m_imageImport;
};

} // namespace kestrom
