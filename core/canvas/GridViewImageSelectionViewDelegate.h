#pragma once

#include "core/canvas/GridViewHandle.h"

#include <QPointF>
#include <Qt>

namespace kestrom {

class GridViewImageSelectionView;

// The drag that the selection frame tracks, reported in the canvas's
// coordinates: one press, any number of moves, one release.
class GridViewImageSelectionViewDelegate {
public:
    virtual ~GridViewImageSelectionViewDelegate() = default;

    virtual void imageSelectionViewMouseDown(GridViewImageSelectionView& view,
                                             const QPointF& canvasPoint,
                                             Qt::KeyboardModifiers modifiers,
                                             GridViewHandle handle) = 0;
    virtual void imageSelectionViewMouseDragged(GridViewImageSelectionView& view,
                                                const QPointF& canvasPoint,
                                                Qt::KeyboardModifiers modifiers) = 0;
    // Also when the drag ends without a release event (the grab was lost).
    virtual void imageSelectionViewMouseUp(GridViewImageSelectionView& view) = 0;
};

} // namespace kestrom
