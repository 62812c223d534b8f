#include "core/inspector/InspectorShadowView.h"

#include <QLinearGradient>
#include <QPainter>

namespace kestrom {

InspectorShadowView::InspectorShadowView(Edge edge, QWidget* parent)
    : QWidget(parent), m_edge(edge) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void InspectorShadowView::setOpacity(qreal opacity) {
    m_opacity = opacity;
    setVisible(opacity > 0);
    update();
}

QSize InspectorShadowView::sizeHint() const {
    return QSize(0, m_edge == Edge::top ? 6 : 12);
}

void InspectorShadowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    const qreal factor = dark ? 0.2 : 0.1;
    const qreal line = 1.0 / qMax(1.0, devicePixelRatioF());
    const qreal lineY = m_edge == Edge::top ? 0 : height() - line;
    painter.fillRect(QRectF(0, lineY, width(), line), QColor::fromRgbF(0, 0, 0, factor));
    QLinearGradient gradient(0, m_edge == Edge::top ? 0 : height(), 0,
                             m_edge == Edge::top ? height() : 0);
    for (int i = 0; i < 10; ++i) {
        const qreal step = (9 - i) / 10.0;
        gradient.setColorAt(i / 9.0, QColor::fromRgbF(0, 0, 0, factor * step * step));
    }
    painter.fillRect(rect(), gradient);
}

} // namespace kestrom
