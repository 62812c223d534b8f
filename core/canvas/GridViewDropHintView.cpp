#include "core/canvas/GridViewDropHintView.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace kestrom {

GridViewDropHintView::GridViewDropHintView(const QString& text, QGraphicsItem* parent)
    : CanvasItem(parent), m_text(text) {
    // View points are pixels at scale 1; a point size would grow by the
    // screen's 96/72.
    m_font.setPixelSize(pointSize);
}

void GridViewDropHintView::setBackground(const QColor& background) {
    if (m_background != background) {
        m_background = background;
        update();
    }
}

QSizeF GridViewDropHintView::intrinsicSize() const {
    const QFontMetricsF metrics(m_font);
    return QSizeF(std::ceil(metrics.horizontalAdvance(m_text)) + 4, std::ceil(metrics.height()));
}

void GridViewDropHintView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->fillRect(bounds(), m_background);
    painter->setFont(m_font);
    painter->setPen(QColor::fromRgbF(0, 0, 0, 0.5f));
    painter->drawText(bounds(), Qt::AlignCenter | Qt::TextDontClip, m_text);
}

} // namespace kestrom
