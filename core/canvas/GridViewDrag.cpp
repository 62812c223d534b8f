#include "core/canvas/GridViewDrag.h"

#include "core/canvas/GridViewTransform.h"

#include <algorithm>
#include <cmath>

namespace kestrom {

namespace {

using H = GridViewHandle;
using Hz = ambrel::OffsetBase::HorizontalPosition;
using Vt = ambrel::OffsetBase::VerticalPosition;

bool isNear(double value, double step) {
    return std::abs(value - step * std::round(value / step)) < 0.2;
}

bool governsWidth(H h) {
    return h != H::topMiddle && h != H::bottomMiddle && h != H::image;
}

bool governsHeight(H h) {
    return h != H::middleRight && h != H::middleLeft && h != H::image;
}

bool isRightSide(H h) {
    return h == H::bottomRight || h == H::topRight || h == H::middleRight;
}

bool isTopSide(H h) {
    return h == H::topRight || h == H::topLeft || h == H::topMiddle;
}

} // namespace

bool GridViewDrag::begin(GridViewHandle handle, const QPointF& point,
                         const ambrel::Point_mm& imageOffset, const QSizeF& bounds,
                         const ambrel::Size_mm& printableSize, ambrel::OffsetBase anchor) {
    const auto delta = GridViewTransform::makeMmToPt(bounds, printableSize, anchor, false);
    const auto absolute = GridViewTransform::makeMmToPt(bounds, printableSize, anchor, true);
    if (!delta || !absolute || !delta->isInvertible() || !absolute->isInvertible()) {
        return false;
    }
    m_fixedAxis.reset();
    m_handle = handle;
    m_anchor = anchor;
    m_ptToMmDelta = delta->inverted();
    m_ptToMmAbsolute = absolute->inverted();
    m_mmToPtAbsolute = *absolute;
    m_lastDraggedPoint = point;
    m_mouseDownPoint = point;
    m_mouseDownImageOffset = imageOffset;
    m_active = true;
    return true;
}

void GridViewDrag::end() {
    m_handle = H::image;
    m_active = false;
}

double GridViewDrag::snappedX(double x_mm) const {
    const double aligned = moveSnapStep_mm * std::round(x_mm / moveSnapStep_mm);
    const double alignedPt = m_mmToPtAbsolute.map(QPointF(aligned, 0)).x();
    const double defaultPt = m_mmToPtAbsolute.map(QPointF(x_mm, 0)).x();
    return std::abs(alignedPt - defaultPt) <= snapDistance_pt ? aligned : x_mm;
}

double GridViewDrag::snappedY(double y_mm) const {
    const double aligned = moveSnapStep_mm * std::round(y_mm / moveSnapStep_mm);
    const double alignedPt = m_mmToPtAbsolute.map(QPointF(0, aligned)).y();
    const double defaultPt = m_mmToPtAbsolute.map(QPointF(0, y_mm)).y();
    return std::abs(alignedPt - defaultPt) <= snapDistance_pt ? aligned : y_mm;
}

ambrel::Point_mm GridViewDrag::move(const QPointF& point, bool shift) {
    const double dxp = point.x() - m_mouseDownPoint.x();
    const double dyp = point.y() - m_mouseDownPoint.y();
    if (!shift) {
        m_fixedAxis.reset();
    } else if (!m_fixedAxis || std::abs(dxp) > axisLockThreshold_pt ||
               std::abs(dyp) > axisLockThreshold_pt) {
        m_fixedAxis = std::abs(dxp) >= std::abs(dyp) ? FixedAxis::y : FixedAxis::x;
    }
    const QPointF d = m_ptToMmDelta.map(QPointF(dxp, dyp));
    ambrel::Point_mm offset = m_mouseDownImageOffset;
    if (m_fixedAxis != FixedAxis::x) {
        offset.x = snappedX(std::round(m_mouseDownImageOffset.x + d.x()));
    }
    if (m_fixedAxis != FixedAxis::y) {
        offset.y = snappedY(std::round(m_mouseDownImageOffset.y + d.y()));
    }
    return offset;
}

ambrel::Size_mm GridViewDrag::resize(const QPointF& point, const ambrel::Point_mm& currentOffset) {
    QPointF p = point;
    const double stepX = m_anchor.horizontalPosition == Hz::middle ? 25 : 50;
    const double stepY = m_anchor.verticalPosition == Vt::middle ? 25 : 50;
    if ((m_handle == H::middleRight || m_handle == H::middleLeft) &&
        isNear(currentOffset.x, stepX)) {
        const QPointF q = m_ptToMmAbsolute.map(p);
        const double aligned = stepX * std::round(q.x() / stepX);
        const double alignedPt = m_mmToPtAbsolute.map(QPointF(aligned, 0)).x();
        if (std::abs(alignedPt - p.x()) <= snapDistance_pt) {
            p.setX(alignedPt);
        }
    } else if ((m_handle == H::topMiddle || m_handle == H::bottomMiddle) &&
               isNear(currentOffset.y, stepY)) {
        const QPointF q = m_ptToMmAbsolute.map(p);
        const double aligned = stepY * std::round(q.y() / stepY);
        const double alignedPt = m_mmToPtAbsolute.map(QPointF(0, aligned)).y();
        if (std::abs(alignedPt - p.y()) <= snapDistance_pt) {
            p.setY(alignedPt);
        }
    }
    m_lastDraggedPoint = p;

    const QPointF q = m_ptToMmAbsolute.map(p);
    const double dx = q.x() - m_mouseDownImageOffset.x;
    const double dy = q.y() - m_mouseDownImageOffset.y;

    ambrel::Size_mm size{unconstrainedSize_mm, unconstrainedSize_mm};
    if (governsWidth(m_handle)) {
        if (m_anchor.horizontalPosition == Hz::middle) {
            size.width = std::max(minimumSize_mm, (isRightSide(m_handle) ? 2 : -2) * dx);
        } else {
            size.width = std::max(minimumSize_mm, dx);
        }
    }
    if (governsHeight(m_handle)) {
        if (m_anchor.verticalPosition == Vt::middle) {
            size.height = std::max(minimumSize_mm, (isTopSide(m_handle) ? 2 : -2) * dy);
        } else {
            size.height = std::max(minimumSize_mm, dy);
        }
    }
    return size;
}

} // namespace kestrom
