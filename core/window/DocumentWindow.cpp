#include "core/window/DocumentWindow.h"

#include "core/document/Document.h"
#include "core/document/DocumentController.h"
#include "core/window/WindowRunPresenter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>

namespace kestrom {

DocumentWindow::DocumentWindow(Document* document, DocumentController* controller,
                               QMenuBar* mainMenu)
    : m_document(document), m_controller(controller),
      m_runPresenter(std::make_shared<WindowRunPresenter>(this)) {
    setObjectName(QStringLiteral("DocumentWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (mainMenu) {
        for (QAction* item : mainMenu->actions()) {
            if (item->menu()) {
                menuBar()->addMenu(item->menu());
            }
        }
    }
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("DocumentContent"));
    frame->setFrameShape(QFrame::StyledPanel);
    setCentralWidget(frame);
    resize(1000, 680);

    connect(document, &Document::editedChanged, this, &QWidget::setWindowModified);
    connect(document, &Document::filePathChanged, this, &DocumentWindow::updateTitle);
    connect(document, &Document::closing, this, [this] {
        m_document = nullptr;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    updateTitle();
    setWindowModified(document->isEdited());
}

DocumentWindow::~DocumentWindow() = default;

DocumentWindow* DocumentWindow::windowFor(const Document* document) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<DocumentWindow*>(widget);
        if (window && window->document() == document) {
            return window;
        }
    }
    return nullptr;
}

void DocumentWindow::updateTitle() {
    if (m_document) {
        setWindowTitle(m_document->displayName() + QStringLiteral("[*]"));
        if (m_document->filePath()) {
            setWindowFilePath(*m_document->filePath());
        }
    }
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (!m_document || !m_controller) {
        event->accept();
        return;
    }
    if (!m_document->isEdited()) {
        Document* closing = m_document;
        m_document = nullptr;
        m_controller->removeDocument(closing);
        event->accept();
        return;
    }
    // The user decides; when the document closes, it closes this window.
    event->ignore();
    m_controller->closeDocument(m_document);
}

void DocumentWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_controller &&
        m_document) {
        m_controller->setCurrentDocument(m_document);
    }
    QMainWindow::changeEvent(event);
}

} // namespace kestrom
