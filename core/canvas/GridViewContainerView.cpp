#include "core/canvas/GridViewContainerView.h"

#include "core/canvas/GridViewController.h"
#include "core/document/job/KestromText.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace kestrom {

GridViewContainerView::GridViewContainerView(QWidget* parent) : QWidget(parent) {
    setAcceptDrops(true);
    // A click beside the canvas hands it the keys for the picture; Tab stops
    // at the canvas inside, which shows its focus and passes the keys here.
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(KestromText::text("Canvas_AreaAccessibleName"));
    resize(600, 200);
}

namespace {

// A drag from inside this application has a source here.
bool hasSourceHere(const QDropEvent* event) {
    return event->source() != nullptr;
}

} // namespace

void GridViewContainerView::dragEnterEvent(QDragEnterEvent* event) {
    if (m_delegate && m_delegate->acceptsDragOperation(event->mimeData(), hasSourceHere(event))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void GridViewContainerView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_delegate && m_delegate->acceptsDragOperation(event->mimeData(), hasSourceHere(event))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void GridViewContainerView::dropEvent(QDropEvent* event) {
    if (m_delegate && m_delegate->performDragOperation(event->mimeData(), hasSourceHere(event))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void GridViewContainerView::keyPressEvent(QKeyEvent* event) {
    if (!m_delegate) {
        QWidget::keyPressEvent(event);
        return;
    }
    GridViewController& c = *m_delegate;
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        c.deleteBackward();
        return;
    case Qt::Key_Left:
        shift ? c.moveLeftAndModifySelection() : c.moveLeft();
        return;
    case Qt::Key_Right:
        shift ? c.moveRightAndModifySelection() : c.moveRight();
        return;
    case Qt::Key_Up:
        shift ? c.moveUpAndModifySelection() : c.moveUp();
        return;
    case Qt::Key_Down:
        shift ? c.moveDownAndModifySelection() : c.moveDown();
        return;
    case Qt::Key_Escape:
        if (c.respondsToCancelOperation()) {
            c.cancelOperation();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void GridViewContainerView::mousePressEvent(QMouseEvent* event) {
    // A click beside the canvas leaves the selection and is not passed on.
    if (m_delegate) {
        m_delegate->cancelOperation();
    }
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void GridViewContainerView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_delegate) {
        m_delegate->updateAppearance();
    }
}

void GridViewContainerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_delegate) {
        m_delegate->updateViewConstraints();
    }
}

} // namespace kestrom
