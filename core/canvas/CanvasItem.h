#pragma once

#include <QGraphicsObject>
#include <QRectF>

namespace kestrom {

// A canvas part with a frame in its parent's coordinates, like a view: its
// own coordinates start at the frame's top-left corner.
class CanvasItem : public QGraphicsObject {
    Q_OBJECT

public:
    explicit CanvasItem(QGraphicsItem* parent = nullptr);

    QRectF frame() const { return QRectF(pos(), m_size); }
    void setFrame(const QRectF& frame);
    QRectF bounds() const { return QRectF(QPointF(0, 0), m_size); }

    QRectF boundingRect() const override;

protected:
    // How far the drawing reaches beyond the bounds (shadows, rings).
    virtual qreal overhang() const { return 0; }
    // After the frame's size changed.
    virtual void sizeChanged() {}

private:
    QSizeF m_size;
};

} // namespace kestrom
