#include "core/window/CompletionMovieView.h"

#include <QPainter>

namespace kestrom {

CompletionMovieView::CompletionMovieView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CompletionMovieView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CompletionMovieView::setFrame(const QImage& frame) {
    m_frame = frame;
    update();
}

void CompletionMovieView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_frame.isNull()) {
        return;
    }
    // Kept in proportion, centred, should a movie not be 16:9.
    const QSize size = m_frame.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_frame);
}

} // namespace kestrom
