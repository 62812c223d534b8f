#include "core/canvas/GridViewDocumentDelegate.h"

#include "core/document/PrintDocument.h"

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
    platform::UndoManager* undo = m_document ? m_document->undoManager() : nullptr;
    if (!undo) {
        return;
    }
    m_restoreGroupsByEvent = undo->groupsByEvent();
    undo->setGroupsByEvent(false);
    undo->beginUndoGrouping();
    m_groupOpen = true;
}

void GridViewDocumentDelegate::closeStep() {
    if (!m_hasDragged) {
        return;
    }
    m_hasDragged = false;
    platform::UndoManager* undo = m_document ? m_document->undoManager() : nullptr;
    if (!undo || !m_groupOpen) {
        m_groupOpen = false;
        return;
    }
    m_groupOpen = false;
    undo->endUndoGrouping();
    undo->setGroupsByEvent(m_restoreGroupsByEvent);
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
