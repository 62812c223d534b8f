#include "core/window/MaintenancePopover.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace kestrom {

MaintenancePopover::MaintenancePopover(QWidget* parent) : QFrame(parent, Qt::Popup) {
    setObjectName(QStringLiteral("MaintenancePopover"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void MaintenancePopover::setContentViewController(QWidget* content) {
    if (m_content == content) {
        return;
    }
    delete m_content;
    m_content = content;
    if (content) {
        layout()->addWidget(content);
    }
}

void MaintenancePopover::show(QWidget* anchor) {
    emit willShow();
    QFrame::show();
    // The content builds its panes as it appears; place the popover by the
    // size they make.
    if (m_content && m_content->layout()) {
        m_content->layout()->activate();
    }
    layout()->activate();
    adjustSize();
    QPoint at;
    QRect screen;
    if (anchor) {
        at = anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, anchor->height() + 2));
        if (QScreen* s = anchor->screen()) {
            screen = s->availableGeometry();
        }
    }
    if (screen.isValid()) {
        at.setX(qBound(screen.left(), at.x(), qMax(screen.left(), screen.right() - width())));
        at.setY(qBound(screen.top(), at.y(), qMax(screen.top(), screen.bottom() - height())));
    }
    move(at);
}

void MaintenancePopover::closeEvent(QCloseEvent* event) {
    if (m_shouldClose && !m_shouldClose()) {
        event->ignore();
        return;
    }
    QFrame::closeEvent(event);
}

void MaintenancePopover::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    emit didClose();
}

void MaintenancePopover::keyPressEvent(QKeyEvent* event) {
    // Escape asks like every other way of closing.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace kestrom
