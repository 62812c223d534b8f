#include "core/canvas/GridViewSelectionHandleView.h"

#include "core/canvas/CanvasAnimation.h"

#include <QPainter>

namespace kestrom {

GridViewSelectionHandleView::GridViewSelectionHandleView(GridViewHandle handle,
                                                         QGraphicsItem* parent)
    : CanvasItem(parent), m_handle(handle) {
    setVisible(false);
    setAlphaValue(0);
}

void GridViewSelectionHandleView::setColor(const QColor& color) {
    if (m_color != color) {
        m_color = color;
        update();
    }
}

void GridViewSelectionHandleView::setShown(bool shown) {
    if (m_shown == shown) {
        return;
    }
    m_shown = shown;
    if (shown) {
        setVisible(true);
        CanvasAnimation::fadeTo(this, 1.0, showDuration_ms, QEasingCurve::OutQuad);
    } else {
        CanvasAnimation::fadeTo(this, 0.0, hideDuration_ms, QEasingCurve::InOutQuad,
                                [this] { setVisible(false); });
    }
}

void GridViewSelectionHandleView::paint(QPainter* painter, const QStyleOptionGraphicsItem*,
                                        QWidget*) {
    painter->save();
    applyAlphaValue(painter);
    painter->setRenderHint(QPainter::Antialiasing, true);
    QColor fill = m_color;
    fill.setAlphaF(0.8f);
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawEllipse(bounds());
    painter->restore();
}

} // namespace kestrom
