#pragma once

#include "core/canvas/GridViewDelegate.h"
#include "platform/ContinuousUndoEdit.h"

namespace kestrom {

class PrintDocument;

// Turns the canvas's hand drags into changes of a print document: the offset
// for a move, a size fitted to the requested box (shared among the repeats)
// for a resize. All changes of one drag are one undo step; the step opens at
// the first change, so a click that moves nothing leaves none, and a step left
// open by a drag whose end never came is closed when the next drag begins.
class GridViewDocumentDelegate : public GridViewDelegate {
public:
    GridViewDocumentDelegate() = default;
    ~GridViewDocumentDelegate() override;
    GridViewDocumentDelegate(const GridViewDocumentDelegate&) = delete;
    GridViewDocumentDelegate& operator=(const GridViewDocumentDelegate&) = delete;

    // Held weakly; without a document the drags change nothing.
    void setDocument(PrintDocument* document);
    PrintDocument* document() const { return m_document; }
    // An undo step of the current drag is open.
    bool hasDragged() const { return m_hasDragged; }

    void gridViewWillBeginResizingOperation(GridView& gridView) override;
    void gridViewChangeImageSizeWithMaxSize_mm(GridView& gridView,
                                               const ambrel::Size_mm& maxSize) override;
    void gridViewChangeImageOffset_mm(GridView& gridView, const ambrel::Point_mm& offset) override;
    void gridViewDidEndResizingOperation(GridView& gridView) override;

private:
    void openStep();
    void closeStep();

    PrintDocument* m_document = nullptr;
    bool m_hasDragged = false;
    platform::ContinuousUndoEdit m_edit;
};

} // namespace kestrom
