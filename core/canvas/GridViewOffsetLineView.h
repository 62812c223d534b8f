#pragma once

#include "core/canvas/CanvasItem.h"

#include <QColor>

namespace kestrom {

// A thin coloured line that marks the picture's offset or an edge being
// resized.
class GridViewOffsetLineView : public CanvasItem {
    Q_OBJECT

public:
    explicit GridViewOffsetLineView(QGraphicsItem* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QColor m_color = Qt::red;
};

} // namespace kestrom
