#pragma once

#include "core/canvas/GridViewHandle.h"
#include "model/pictures/OffsetBase.h"
#include "model/units/Point_mm.h"
#include "model/units/Size_mm.h"

#include <QPointF>
#include <QSizeF>
#include <QTransform>

#include <optional>

namespace kestrom {

// One hand drag of the picture: a move of its body or a resize by a handle.
// Turns pointer positions in view points into the offset or the largest size
// to ask for, in millimetres, snapping to the grid when the pointer comes
// within the snap distance of a line. The conversions are fixed when the drag
// begins.
class GridViewDrag {
public:
    enum class FixedAxis { x, y };

    // How close, in points, a position must come to a grid line to snap.
    static constexpr double snapDistance_pt = 6.0;
    // A move snaps to multiples of this many millimetres.
    static constexpr double moveSnapStep_mm = 50;
    // Beyond this many points from the press, Shift picks the axis anew.
    static constexpr double axisLockThreshold_pt = 10;
    // The smallest side a resize asks for.
    static constexpr double minimumSize_mm = 5;
    // The side a handle does not govern is asked for at this size, so that
    // it does not constrain the fit.
    static constexpr double unconstrainedSize_mm = 4233.3;

    // False (and nothing starts) when the canvas has no usable size.
    bool begin(GridViewHandle handle, const QPointF& point, const ambrel::Point_mm& imageOffset,
               const QSizeF& bounds, const ambrel::Size_mm& printableSize,
               ambrel::OffsetBase anchor);
    void end();

    bool isActive() const { return m_active; }
    GridViewHandle handle() const { return m_handle; }
    bool isMove() const { return m_handle == GridViewHandle::image; }
    std::optional<FixedAxis> fixedAxis() const { return m_fixedAxis; }
    const QPointF& mouseDownPoint() const { return m_mouseDownPoint; }
    const QPointF& lastDraggedPoint() const { return m_lastDraggedPoint; }

    // The offset for a pointer at the point, with Shift locking one axis.
    ambrel::Point_mm move(const QPointF& point, bool shift);
    // The largest size to ask for with the pointer at the point; the picture's
    // current offset decides whether its dragged edge snaps.
    ambrel::Size_mm resize(const QPointF& point, const ambrel::Point_mm& currentOffset);

private:
    double snappedX(double x_mm) const;
    double snappedY(double y_mm) const;

    bool m_active = false;
    GridViewHandle m_handle = GridViewHandle::image;
    ambrel::OffsetBase m_anchor = ambrel::OffsetBase::center;
    QTransform m_ptToMmDelta;
    QTransform m_ptToMmAbsolute;
    QTransform m_mmToPtAbsolute;
    QPointF m_mouseDownPoint;
    ambrel::Point_mm m_mouseDownImageOffset;
    QPointF m_lastDraggedPoint;
    std::optional<FixedAxis> m_fixedAxis;
};

} // namespace kestrom
