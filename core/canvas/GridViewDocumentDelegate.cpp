#include "core/canvas/GridViewDocumentDelegate.h"

#include "core/document/job/PrintDocument.h"

namespace kestrom {

GridViewDocumentDelegate::~GridViewDocumentDelegate() {
    closeStep();
}

void GridViewDocumentDelegate::setDocument(PrintDocument* document) {
    if (m_document == document) {
        return;
    }
    closeStep();
    m_document = document;
}

void GridViewDocumentDelegate::openStep() {
    if (m_hasDragged) {
        return;
    }
    m_hasDragged = true;
    m_edit.begin(m_document ? m_document->undoManager() : nullptr);
}

void GridViewDocumentDelegate::closeStep() {
    m_hasDragged = false;
    m_edit.end();
}

void GridViewDocumentDelegate::gridViewWillBeginResizingOperation(GridView&) {
    closeStep();
}

void GridViewDocumentDelegate::gridViewChangeImageSizeWithMaxSize_mm(
    GridView&, const ambrel::Size_mm& maxSize) {
    openStep();
    if (m_document) {
        m_document->setImageSizeWithMaxSizeForDisplay_mm(maxSize, true);
    }
}

void GridViewDocumentDelegate::gridViewChangeImageOffset_mm(GridView&,
                                                            const ambrel::Point_mm& offset) {
    openStep();
    if (m_document) {
        m_document->setImageOffset_mm(offset);
    }
}

void GridViewDocumentDelegate::gridViewDidEndResizingOperation(GridView&) {
    closeStep();
}

} // namespace kestrom
