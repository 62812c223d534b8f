#pragma once

#include <QGraphicsObject>
#include <QRectF>

class QPainter;

namespace kestrom {

// A canvas part with a frame in its parent's coordinates, like a view: its
// own coordinates start at the frame's top-left corner.
class CanvasItem : public QGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(qreal alphaValue READ alphaValue WRITE setAlphaValue NOTIFY alphaValueChanged)

public:
    explicit CanvasItem(QGraphicsItem* parent = nullptr);

    QRectF frame() const { return QRectF(pos(), m_size); }
    void setFrame(const QRectF& frame);
    QRectF bounds() const { return QRectF(QPointF(0, 0), m_size); }

    QRectF boundingRect() const override;

    // How opaque the item draws, its canvas-item children with it, from 0
    // to 1. The canvas fades with this rather than with the item's opacity:
    // Qt takes no clicks on an item of opacity 0, and a picture fading in
    // must take them from its first frame.
    qreal alphaValue() const { return m_alpha; }
    void setAlphaValue(qreal alpha);
    // This item's alpha times that of its canvas-item ancestors.
    qreal effectiveAlphaValue() const;

signals:
    void alphaValueChanged();

protected:
    // Draws what follows at the effective alpha; paint() calls it first.
    void applyAlphaValue(QPainter* painter) const;
    // How far the drawing reaches beyond the bounds (shadows, rings).
    virtual qreal overhang() const { return 0; }
    // After the frame's size changed.
    virtual void sizeChanged() {}

private:
    QSizeF m_size;
    qreal m_alpha = 1.0;
};

} // namespace kestrom
