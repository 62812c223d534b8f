#include "core/inspector/InspectorFileDropDestinationBox.h"

#include "core/document/job/KestromText.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace kestrom {

InspectorFileDropDestinationBox::InspectorFileDropDestinationBox(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("InspectorFileDropDestinationBox"));
    setAcceptDrops(true);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setMinimumHeight(120);
    setAutoFillBackground(true);
    m_ownBackgroundRole = backgroundRole();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(2);
    m_picture = new QLabel(this);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumHeight(72);
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    m_picture->setAccessibleName(KestromText::text("Inspector_Image_PictureAccessibleName"));
    m_name = new QLabel(this);
    m_name->setAlignment(Qt::AlignCenter);
    m_name->setTextFormat(Qt::PlainText);
    m_size = new QLabel(this);
    m_size->setAlignment(Qt::AlignCenter);
    m_size->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_picture, 1);
    layout->addWidget(m_name);
    layout->addWidget(m_size);
}

bool InspectorFileDropDestinationBox::accepts(const QDropEvent* event) const {
    PrintDocumentInspectorAdapter* document = m_delegate ? m_delegate->documentAdapter() : nullptr;
    // A drag that started in this application has a source here.
    return document && document->acceptsImageDrop(event->mimeData(), event->source() != nullptr);
}

void InspectorFileDropDestinationBox::setDraggingEntered(bool entered) {
    m_isDraggingEntered = entered;
    setBackgroundRole(entered ? QPalette::Highlight : m_ownBackgroundRole);
    update();
}

void InspectorFileDropDestinationBox::dragEnterEvent(QDragEnterEvent* event) {
    setDraggingEntered(true);
    // Taken even when refused, with no action: only a drag the box took is
    // told that it left, and the highlight must go then too. The moves that
    // follow say no.
    event->setDropAction(accepts(event) ? Qt::CopyAction : Qt::IgnoreAction);
    event->accept();
}

void InspectorFileDropDestinationBox::dragMoveEvent(QDragMoveEvent* event) {
    if (accepts(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void InspectorFileDropDestinationBox::dragLeaveEvent(QDragLeaveEvent* event) {
    setDraggingEntered(false);
    QFrame::dragLeaveEvent(event);
}

void InspectorFileDropDestinationBox::hideEvent(QHideEvent* event) {
    // A page pushed or a window closed during a drag ends it here.
    setDraggingEntered(false);
    QFrame::hideEvent(event);
}

void InspectorFileDropDestinationBox::dropEvent(QDropEvent* event) {
    setDraggingEntered(false);
    PrintDocumentInspectorAdapter* document = m_delegate ? m_delegate->documentAdapter() : nullptr;
    if (!document || !accepts(event)) {
        event->ignore();
        return;
    }
    // The import runs on; the drop is done now.
    document->importImageDrop(event->mimeData(), event->source() != nullptr);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void InspectorFileDropDestinationBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPosition = event->position().toPoint();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void InspectorFileDropDestinationBox::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - m_pressPosition).manhattanLength() >=
            QApplication::startDragDistance()) {
        m_pressed = false;
        if (m_delegate) {
            m_delegate->dragPictureOut();
        }
        return;
    }
    QFrame::mouseMoveEvent(event);
}

} // namespace kestrom
