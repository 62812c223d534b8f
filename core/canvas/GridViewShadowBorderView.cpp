#include "core/canvas/GridViewShadowBorderView.h"

#include <QPainter>
#include <QPainterPath>

namespace kestrom {

namespace {

QPainterPath ring(const QRectF& outer, qreal radius, qreal width) {
    QPainterPath path;
    path.addRoundedRect(outer, radius, radius);
    QPainterPath inner;
    const QRectF innerRect = outer.adjusted(width, width, -width, -width);
    inner.addRoundedRect(innerRect, std::max<qreal>(radius - width, 0),
                         std::max<qreal>(radius - width, 0));
    return path.subtracted(inner);
}

} // namespace

GridViewShadowBorderView::GridViewShadowBorderView(QGraphicsItem* parent) : CanvasItem(parent) {}

void GridViewShadowBorderView::setIncreasedContrast(bool on) {
    if (m_increasedContrast != on) {
        m_increasedContrast = on;
        update();
    }
}

void GridViewShadowBorderView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QRectF outer = bounds();
    painter->fillPath(ring(outer, cornerRadius + ringWidth, ringWidth),
                      m_increasedContrast ? QColor(Qt::black) : QColor::fromRgbF(0, 0, 0, 0.26f));
    painter->fillPath(
        ring(outer.adjusted(ringWidth, ringWidth, -ringWidth, -ringWidth), cornerRadius, ringWidth),
        QColor::fromRgbF(1, 1, 1, 0.3f));
    painter->restore();
}

} // namespace kestrom
