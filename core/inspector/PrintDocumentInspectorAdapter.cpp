#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include "core/document/application/ImageImport.h"
#include "core/document/job/PrintDocument.h"

namespace kestrom {

PrintDocumentInspectorAdapter::PrintDocumentInspectorAdapter(PrintDocument& document,
                                                             QObject* parent)
    : QObject(parent), m_document(document) {}

// A drag cut short by the adapter's end still closes its undo step, as the
// continuous edit ends with it.
PrintDocumentInspectorAdapter::~PrintDocumentInspectorAdapter() = default;

bool PrintDocumentInspectorAdapter::acceptsImageDrop(const QMimeData* data,
                                                     bool fromThisApplication) const {
    return m_imageImport && m_imageImport->acceptsImageDragOperation({data, fromThisApplication});
}

void PrintDocumentInspectorAdapter::importImageDrop(const QMimeData* data,
                                                    bool fromThisApplication) {
    if (m_imageImport && m_imageImport->acceptsImageDragOperation({data, fromThisApplication})) {
        m_imageImport->performImageDragOperation({data, fromThisApplication});
    }
}

void PrintDocumentInspectorAdapter::presentImageOpenPanel() {
    if (!m_imageImport) {
        return;
    }
    const auto& image = m_document.originalImage();
    m_imageImport->presentImageOpenPanel(
        image && image->fileURL().isValid() ? std::optional<QUrl>(image->fileURL()) : std::nullopt);
}

void PrintDocumentInspectorAdapter::printDocument() {
    if (m_printAction) {
        m_printAction();
    }
}

} // namespace kestrom
