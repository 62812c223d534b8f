#include "core/canvas/GridViewSequenceView.h"

#include "core/canvas/GridViewSequenceStyle.h"
#include "core/canvas/PixelAlignment.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace kestrom {

namespace {

QFont labelFont() {
    QFont font;
    // In view points, which are pixels at scale 1.
    font.setPixelSize(GridViewSequenceView::labelPointSize);
    return font;
}

} // namespace

GridViewSequenceView::GridViewSequenceView(QGraphicsItem* parent) : CanvasItem(parent) {}

void GridViewSequenceView::setSequence(qint64 sequence) {
    if (m_sequence == sequence) {
        return;
    }
    m_sequence = sequence;
    update();
    updateToolTip();
}

void GridViewSequenceView::setSourceRect_mm(const ambrel::Rect_mm& rect) {
    m_sourceRect_mm = rect;
    updateToolTip();
}

void GridViewSequenceView::updateToolTip() {
    setToolTip(GridViewSequenceStyle::toolTip(m_sequence, m_sourceRect_mm));
}

QString GridViewSequenceView::labelText() const {
    return GridViewSequenceStyle::labelText(m_sequence);
}

QRectF GridViewSequenceView::labelRect() const {
    const QFontMetricsF metrics(labelFont());
    const QSizeF size(metrics.horizontalAdvance(labelText()) + 4, metrics.height());
    const QRectF b = bounds();
    return PixelAlignment::centerScanRect(QRectF((b.width() - size.width()) / 2,
                                                 (b.height() - size.height()) / 2, size.width(),
                                                 size.height()),
                                          m_scale);
}

void GridViewSequenceView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->save();
    applyAlphaValue(painter);
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QRectF box = bounds().adjusted(0.5, 0.5, -0.5, -0.5);
    painter->setPen(QPen(GridViewSequenceStyle::borderColor(m_sequence), 1.0));
    painter->setBrush(GridViewSequenceStyle::backgroundColor(m_sequence, m_mouseHover));
    painter->drawRoundedRect(box, cornerRadius, cornerRadius);
    const QRectF label = labelRect();
    painter->fillRect(label, GridViewSequenceStyle::labelBackgroundColor(m_sequence));
    painter->setFont(labelFont());
    painter->setPen(Qt::white);
    painter->drawText(label, Qt::AlignCenter, labelText());
    painter->restore();
}

void GridViewSequenceView::setMouseHover(bool hover) {
    if (m_mouseHover != hover) {
        m_mouseHover = hover;
        update();
    }
}

} // namespace kestrom
