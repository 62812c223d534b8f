#include "core/scripting/ScriptedDocumentBudget.h"

#include "core/document/application/Document.h"

#include <algorithm>

namespace kestrom {

int ScriptedDocumentBudget::available() const {
    return std::max(0, std::min(newWindowsPerCall, documentsInAll - used()));
}

void ScriptedDocumentBudget::release(int count) {
    m_reserved = std::max(0, m_reserved - count);
}

void ScriptedDocumentBudget::add(Document* document) {
    std::erase_if(m_documents, [](const QPointer<Document>& d) { return d.isNull(); });
    if (document &&
        std::none_of(m_documents.begin(), m_documents.end(),
                     [document](const QPointer<Document>& d) { return d.data() == document; })) {
        m_documents.emplace_back(document);
    }
}

int ScriptedDocumentBudget::used() const {
    // A closed document is gone, and its pointer with it.
    const auto open = std::count_if(m_documents.begin(), m_documents.end(),
                                    [](const QPointer<Document>& d) { return !d.isNull(); });
    return int(open) + m_reserved;
}

} // namespace kestrom
