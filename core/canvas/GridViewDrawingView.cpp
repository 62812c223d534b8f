#include "core/canvas/GridViewDrawingView.h"

#include <QPainter>
#include <QPainterPath>

namespace kestrom {

GridViewDrawingView::GridViewDrawingView(QGraphicsItem* parent) : CanvasItem(parent) {}

void GridViewDrawingView::setGrid(const QList<GridLineList::Line>& lines,
                                  const QColor& background) {
    m_lines = lines;
    m_background = background;
    update();
}

void GridViewDrawingView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->save();
    QPainterPath face;
    face.addRoundedRect(bounds(), cornerRadius, cornerRadius);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->fillPath(face, m_background);
    painter->setClipPath(face);
    painter->setRenderHint(QPainter::Antialiasing, false);
    for (const GridLineList::Line& line : m_lines) {
        painter->fillRect(line.rect.intersected(bounds()),
                          QColor::fromRgbF(float(line.gray), float(line.gray), float(line.gray)));
    }
    painter->restore();
}

} // namespace kestrom
