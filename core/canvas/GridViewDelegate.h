#pragma once

#include "model/units/Point_mm.h"
#include "model/units/Size_mm.h"

namespace kestrom {

class GridView;

// What the canvas asks of its controller while the user drags the picture.
// The canvas never changes the picture's offset or size itself: the
// controller writes the document, and the new values come back to the canvas.
class GridViewDelegate {
public:
    virtual ~GridViewDelegate() = default;

    // A move or resize drag begins.
    virtual void gridViewWillBeginResizingOperation(GridView& gridView) = 0;
    // A resize asks for the picture to fit this size (one side may be
    // unconstrained).
    virtual void gridViewChangeImageSizeWithMaxSize_mm(GridView& gridView,
                                                       const ambrel::Size_mm& maxSize) = 0;
    // A move asks for this offset from the anchor.
    virtual void gridViewChangeImageOffset_mm(GridView& gridView,
                                              const ambrel::Point_mm& offset) = 0;
    // The drag ended.
    virtual void gridViewDidEndResizingOperation(GridView& gridView) = 0;
};

} // namespace kestrom
