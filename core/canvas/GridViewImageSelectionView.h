#pragma once

#include "core/canvas/CanvasItem.h"
#include "core/canvas/GridViewHandle.h"
#include "core/canvas/GridViewHandleGeometry.h"
#include "model/pictures/OffsetBase.h"

#include <QList>

namespace kestrom {

class GridViewImageSelectionViewDelegate;
class GridViewSelectionHandleView;

// The frame around the placed picture with its round resize handles. Its
// frame is the picture's frame grown by the inset on every side. It turns a
// press into a drag reported to its delegate and moves nothing itself.
class GridViewImageSelectionView : public CanvasItem {
    Q_OBJECT

public:
    explicit GridViewImageSelectionView(QGraphicsItem* parent = nullptr);

    void setDelegate(GridViewImageSelectionViewDelegate* delegate) { m_delegate = delegate; }

    // Places the frame around the picture's frame.
    void setImageFrame(const QRectF& imageFrame);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isResizable() const { return m_resizable; }
    void setResizable(bool resizable);
    bool isMouseTouched() const { return m_mouseTouched; }
    bool isTrackingResizeHandle() const { return m_trackingResizeHandle; }
    bool isFirstResponder() const { return hasFocus(); }
    ambrel::OffsetBase imageOffsetBase() const { return m_anchor; }
    void setImageOffsetBase(ambrel::OffsetBase anchor);
    void setScale(double scale);

    QList<GridViewHandle> activeHandles() const;
    // The view of each resize handle.
    GridViewSelectionHandleView* handleView(GridViewHandle handle) const;
    QRectF handleRect(GridViewHandle handle) const;
    GridViewHandle handleAt(const QPointF& point) const;

    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

signals:
    void selectedChanged(bool selected);

protected:
    qreal overhang() const override { return 6; }
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    bool sceneEvent(QEvent* event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateCursor(const QPointF& point);
    // Places the handle views and fades them in or out as the handles
    // offered change.
    void layoutHandles();
    void endTracking();
    QColor baseColor() const;

    GridViewImageSelectionViewDelegate* m_delegate = nullptr;
    ambrel::OffsetBase m_anchor = ambrel::OffsetBase::center;
    bool m_selected = false;
    bool m_resizable = false;
    bool m_mouseTouched = false;
    bool m_trackingResizeHandle = false;
    double m_scale = 1;
    QList<GridViewSelectionHandleView*> m_handleViews;
};

} // namespace kestrom
