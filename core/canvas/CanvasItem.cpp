#include "core/canvas/CanvasItem.h"

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

QRectF CanvasItem::boundingRect() const {
    const qreal o = overhang();
    return bounds().adjusted(-o, -o, o, o);
}

} // namespace kestrom
