#include "core/canvas/CanvasItem.h"

#include <QPainter>

#include <algorithm>

namespace kestrom {

CanvasItem::CanvasItem(QGraphicsItem* parent) : QGraphicsObject(parent) {
    setAcceptedMouseButtons(Qt::NoButton);
}

void CanvasItem::setFrame(const QRectF& frame) {
    if (frame.size() != m_size) {
        prepareGeometryChange();
        m_size = frame.size();
        update();
        setPos(frame.topLeft());
        sizeChanged();
        return;
    }
    setPos(frame.topLeft());
}

void CanvasItem::setAlphaValue(qreal alpha) {
    alpha = std::clamp(alpha, qreal(0), qreal(1));
    if (m_alpha == alpha) {
        return;
    }
    m_alpha = alpha;
    // Children draw with it too.
    const auto repaint = [](QGraphicsItem* item, const auto& self) -> void {
        item->update();
        for (QGraphicsItem* child : item->childItems()) {
            self(child, self);
        }
    };
    repaint(this, repaint);
    emit alphaValueChanged();
}

qreal CanvasItem::effectiveAlphaValue() const {
    qreal alpha = m_alpha;
    for (QGraphicsItem* up = parentItem(); up; up = up->parentItem()) {
        if (auto* item = qobject_cast<CanvasItem*>(up->toGraphicsObject())) {
            alpha *= item->m_alpha;
        }
    }
    return alpha;
}

void CanvasItem::applyAlphaValue(QPainter* painter) const {
    painter->setOpacity(painter->opacity() * effectiveAlphaValue());
}

QRectF CanvasItem::boundingRect() const {
    const qreal o = overhang();
    return bounds().adjusted(-o, -o, o, o);
}

} // namespace kestrom
