#pragma once

#include "core/canvas/CanvasItem.h"
#include "core/canvas/GridLineList.h"

#include <QColor>
#include <QList>

namespace kestrom {

// The canvas's white face with its millimetre grid.
class GridViewDrawingView : public CanvasItem {
    Q_OBJECT

public:
    static constexpr qreal cornerRadius = 4.0;

    explicit GridViewDrawingView(QGraphicsItem* parent = nullptr);

    void setGrid(const QList<GridLineList::Line>& lines, const QColor& background);
    const QList<GridLineList::Line>& lines() const { return m_lines; }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QList<GridLineList::Line> m_lines;
    QColor m_background = Qt::white;
};

} // namespace kestrom
