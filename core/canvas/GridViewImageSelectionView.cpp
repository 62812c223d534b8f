#include "core/canvas/GridViewImageSelectionView.h"

#include "core/canvas/GridViewImageSelectionViewDelegate.h"
#include "core/canvas/GridViewSelectionHandleView.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace kestrom {

namespace {

using G = GridViewHandleGeometry;

Qt::CursorShape cursorShape(G::Cursor cursor) {
    switch (cursor) {
    case G::Cursor::pointingHand:
        return Qt::PointingHandCursor;
    case G::Cursor::openHand:
        return Qt::OpenHandCursor;
    case G::Cursor::resizeLeftRight:
        return Qt::SizeHorCursor;
    case G::Cursor::resizeUpDown:
        return Qt::SizeVerCursor;
    case G::Cursor::resizeDiagonalDown:
        return Qt::SizeFDiagCursor;
    case G::Cursor::resizeDiagonalUp:
        return Qt::SizeBDiagCursor;
    case G::Cursor::none:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

GridViewImageSelectionView::GridViewImageSelectionView(QGraphicsItem* parent) : CanvasItem(parent) {
    setAcceptedMouseButtons(Qt::LeftButton);
    setAcceptHoverEvents(true);
    setFlag(QGraphicsItem::ItemIsFocusable, true);
    setEnabled(false);
    for (GridViewHandle h : allResizeHandles()) {
        m_handleViews.append(new GridViewSelectionHandleView(h, this));
    }
}

GridViewSelectionHandleView* GridViewImageSelectionView::handleView(GridViewHandle handle) const {
    for (GridViewSelectionHandleView* view : m_handleViews) {
        if (view->handle() == handle) {
            return view;
        }
    }
    return nullptr;
}

void GridViewImageSelectionView::layoutHandles() {
    const QList<GridViewHandle> active = activeHandles();
    const QColor color = baseColor();
    for (GridViewSelectionHandleView* view : m_handleViews) {
        view->setFrame(handleRect(view->handle()));
        view->setColor(color);
        view->setShown(active.contains(view->handle()));
    }
}

void GridViewImageSelectionView::setImageFrame(const QRectF& imageFrame) {
    const qreal i = G::inset;
    setFrame(imageFrame.adjusted(-i, -i, i, i));
    layoutHandles();
}

void GridViewImageSelectionView::setSelected(bool selected) {
    if (m_selected == selected) {
        return;
    }
    m_selected = selected;
    update();
    layoutHandles();
    emit selectedChanged(selected);
}

void GridViewImageSelectionView::setResizable(bool resizable) {
    if (m_resizable != resizable) {
        m_resizable = resizable;
        update();
        layoutHandles();
    }
}

void GridViewImageSelectionView::setImageOffsetBase(ambrel::OffsetBase anchor) {
    if (m_anchor != anchor) {
        m_anchor = anchor;
        update();
        layoutHandles();
    }
}

void GridViewImageSelectionView::setScale(double scale) {
    if (m_scale != scale) {
        m_scale = scale;
        update();
        layoutHandles();
    }
}

QList<GridViewHandle> GridViewImageSelectionView::activeHandles() const {
    return G::activeHandles(m_anchor, isEnabled(), m_selected, m_resizable);
}

QRectF GridViewImageSelectionView::handleRect(GridViewHandle handle) const {
    return G::handleRect(handle, bounds().size(), m_scale);
}

GridViewHandle GridViewImageSelectionView::handleAt(const QPointF& point) const {
    return G::handleAt(point, activeHandles(), bounds().size(), m_scale);
}

QPainterPath GridViewImageSelectionView::shape() const {
    QPainterPath path;
    path.addRect(bounds());
    return path;
}

QVariant GridViewImageSelectionView::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemEnabledHasChanged) {
        if (!value.toBool()) {
            if (hasFocus()) {
                clearFocus();
            }
            unsetCursor();
        }
        update();
        layoutHandles();
    }
    return CanvasItem::itemChange(change, value);
}

void GridViewImageSelectionView::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    updateCursor(event->pos());
    const GridViewHandle handle = handleAt(event->pos());
    m_trackingResizeHandle = true;
    update();
    if (m_delegate) {
        m_delegate->imageSelectionViewMouseDown(*this, event->scenePos(), event->modifiers(),
                                                handle);
    }
    setSelected(true);
    event->accept();
}

void GridViewImageSelectionView::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
    if (m_trackingResizeHandle && m_delegate) {
        m_delegate->imageSelectionViewMouseDragged(*this, event->scenePos(), event->modifiers());
    }
}

void GridViewImageSelectionView::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        endTracking();
    }
}

bool GridViewImageSelectionView::sceneEvent(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        update(); // the frame's colour follows the window's activation
        layoutHandles();
    }
    if (event->type() == QEvent::UngrabMouse) {
        // A drag whose release never arrives still ends.
        endTracking();
    }
    return CanvasItem::sceneEvent(event);
}

void GridViewImageSelectionView::endTracking() {
    if (!m_trackingResizeHandle) {
        return;
    }
    m_trackingResizeHandle = false;
    update();
    if (m_delegate) {
        m_delegate->imageSelectionViewMouseUp(*this);
    }
}

void GridViewImageSelectionView::hoverEnterEvent(QGraphicsSceneHoverEvent* event) {
    if (!(QApplication::mouseButtons() & Qt::LeftButton)) {
        m_mouseTouched = G::contains(handleRect(GridViewHandle::image), event->pos());
    }
    updateCursor(event->pos());
}

void GridViewImageSelectionView::hoverMoveEvent(QGraphicsSceneHoverEvent* event) {
    if (!(QApplication::mouseButtons() & Qt::LeftButton)) {
        m_mouseTouched = G::contains(handleRect(GridViewHandle::image), event->pos());
    }
    updateCursor(event->pos());
}

void GridViewImageSelectionView::hoverLeaveEvent(QGraphicsSceneHoverEvent*) {
    m_mouseTouched = false;
    unsetCursor();
}

void GridViewImageSelectionView::focusInEvent(QFocusEvent*) {
    update();
    layoutHandles();
}

void GridViewImageSelectionView::focusOutEvent(QFocusEvent*) {
    update();
    layoutHandles();
}

void GridViewImageSelectionView::updateCursor(const QPointF& point) {
    if (!isEnabled()) {
        unsetCursor();
        return;
    }
    const G::Cursor cursor =
        G::cursorAt(point, activeHandles(), bounds().size(), m_scale, m_selected);
    if (cursor == G::Cursor::none) {
        unsetCursor();
    } else {
        setCursor(cursorShape(cursor));
    }
}

QColor GridViewImageSelectionView::baseColor() const {
    const bool active = scene() && scene()->isActive();
    if (active && hasFocus()) {
        return QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    }
    // A mid gray, white at one half.
    return QColor(128, 128, 128);
}

void GridViewImageSelectionView::paint(QPainter* painter, const QStyleOptionGraphicsItem*,
                                       QWidget*) {
    const QRectF r = handleRect(GridViewHandle::image);
    const double pixel = 1.0 / std::max(1.0, m_scale);
    const QColor base = baseColor();
    // The band between two rectangles, one inside the other, as four strips.
    const auto band = [painter](const QRectF& outer, const QRectF& inner, const QColor& color) {
        painter->fillRect(
            QRectF(outer.left(), outer.top(), outer.width(), inner.top() - outer.top()), color);
        painter->fillRect(
            QRectF(outer.left(), inner.bottom(), outer.width(), outer.bottom() - inner.bottom()),
            color);
        painter->fillRect(
            QRectF(outer.left(), inner.top(), inner.left() - outer.left(), inner.height()), color);
        painter->fillRect(
            QRectF(inner.right(), inner.top(), outer.right() - inner.right(), inner.height()),
            color);
    };
    painter->save();
    applyAlphaValue(painter);
    // A dark hairline and a soft shadow just outside the picture.
    band(r.adjusted(-pixel, -pixel, pixel, pixel), r, QColor::fromRgbF(0, 0, 0, 0.2f));
    const QColor shadow =
        m_selected ? QColor::fromRgbF(0, 0, 0.4f, 0.6f) : QColor::fromRgbF(0, 0, 0, 0.5f);
    for (int step = 1; step <= 4; ++step) {
        QColor c = shadow;
        c.setAlphaF(shadow.alphaF() * 0.18f * float(5 - step) / 4.0f);
        // Layers that overlap nearest the picture, a point lower than it.
        band(r.adjusted(-step, -step + 1, step, step + 1), r, c);
    }
    // The inner half of a stroke along the picture's edge.
    const double width = m_selected ? 2.0 : 1.0;
    QColor stroke = m_selected ? base : QColor(Qt::white);
    stroke.setAlphaF(m_selected ? 0.5f : 0.2f);
    band(r, r.adjusted(width, width, -width, -width), stroke);

    painter->restore();
}

} // namespace kestrom
