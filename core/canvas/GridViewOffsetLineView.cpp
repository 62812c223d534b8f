#include "core/canvas/GridViewOffsetLineView.h"

#include <QPainter>

namespace kestrom {

GridViewOffsetLineView::GridViewOffsetLineView(QGraphicsItem* parent) : CanvasItem(parent) {
    setVisible(false);
}

void GridViewOffsetLineView::setColor(const QColor& color) {
    if (m_color != color) {
        m_color = color;
        update();
    }
}

void GridViewOffsetLineView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->fillRect(bounds(), m_color);
}

} // namespace kestrom
