#include "core/canvas/GridViewOverflownAreaView.h"

#include <QPainter>

namespace kestrom {

GridViewOverflownAreaView::GridViewOverflownAreaView(QGraphicsItem* parent) : CanvasItem(parent) {}

void GridViewOverflownAreaView::setDark(bool dark) {
    if (m_dark != dark) {
        m_dark = dark;
        update();
    }
}

QColor GridViewOverflownAreaView::tint() const {
    return m_dark ? QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.3f) : QColor::fromRgbF(1, 1, 1, 0.2f);
}

void GridViewOverflownAreaView::paint(QPainter* painter, const QStyleOptionGraphicsItem*,
                                      QWidget*) {
    painter->save();
    applyAlphaValue(painter);
    painter->fillRect(bounds(), tint());
    painter->restore();
}

} // namespace kestrom
