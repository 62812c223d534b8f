#include "core/inspector/InspectorPaneViewController.h"

#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorValueSlider.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include <QApplication>
#include <QChildEvent>

namespace kestrom {

InspectorPaneViewController::InspectorPaneViewController(QWidget* parent) : QWidget(parent) {}

InspectorPaneViewController::~InspectorPaneViewController() {
    endContinuousEdit();
}

PrintDocument* InspectorPaneViewController::document() const {
    return m_document ? &m_document->document() : nullptr;
}

void InspectorPaneViewController::setDocument(PrintDocumentInspectorAdapter* document) {
    if (m_document == document) {
        return;
    }
    endContinuousEdit();
    m_observations.clear();
    if (m_document) {
        disconnect(m_document, nullptr, this, nullptr);
    }
    m_document = document;
    if (document) {
        connect(document, &QObject::destroyed, this, [this] {
            // A drag cut short by the document's end still closes its step.
            endContinuousEdit();
            m_observations.clear();
            documentDidChange();
            Q_EMIT documentChanged();
        });
        observeDocument(document->document());
    }
    // Hosted panes (those whose nearest pane ancestor is this one) follow.
    const auto panes = findChildren<InspectorPaneViewController*>();
    for (auto* pane : panes) {
        QWidget* up = pane->parentWidget();
        while (up && up != this && !qobject_cast<InspectorPaneViewController*>(up)) {
            up = up->parentWidget();
        }
        if (up == this) {
            pane->setDocument(document);
        }
    }
    documentDidChange();
    Q_EMIT documentChanged();
}

void InspectorPaneViewController::observe(const QString& keyPath, std::function<void()> show) {
    if (PrintDocument* observed = document()) {
        m_observations.push_back(observed->observe(
            keyPath, [show = std::move(show)](const platform::KeyValueChange&) { show(); }));
    }
}

void InspectorPaneViewController::setWindowController(QWidget* windowController) {
    if (m_windowController == windowController) {
        return;
    }
    m_windowController = windowController;
    Q_EMIT windowControllerChanged();
}

void InspectorPaneViewController::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->added()) {
        if (auto* pane = qobject_cast<InspectorPaneViewController*>(event->child())) {
            pane->setDocument(m_document);
        }
    }
}

void InspectorPaneViewController::connectSlider(InspectorValueSlider* slider,
                                                std::function<void(double)> write) {
    connect(slider, &QSlider::sliderPressed, this,
            &InspectorPaneViewController::beginContinuousEdit);
    connect(slider, &QSlider::sliderReleased, this,
            &InspectorPaneViewController::endContinuousEdit);
    connect(slider, &InspectorValueSlider::valueEdited, this, std::move(write));
}

void InspectorPaneViewController::beginContinuousEdit() {
    m_continuousEdit.begin(document() ? document()->undoManager() : nullptr);
}

void InspectorPaneViewController::endContinuousEdit() {
    m_continuousEdit.end();
}

InspectorPaneViewController* InspectorPaneViewController::paneOf(QWidget* widget) {
    for (QWidget* up = widget ? widget->parentWidget() : nullptr; up; up = up->parentWidget()) {
        if (auto* pane = qobject_cast<InspectorPaneViewController*>(up)) {
            return pane;
        }
    }
    return nullptr;
}

void InspectorPaneViewController::makeControlFontsMonospacedDigit(const QList<QWidget*>& controls) {
    for (QWidget* control : controls) {
        if (!control) {
            continue;
        }
        const QFont current = control->font();
        QFont font = QApplication::font();
        if (current.pointSizeF() > 0) {
            font.setPointSizeF(current.pointSizeF());
        } else if (current.pixelSize() > 0) {
            font.setPixelSize(current.pixelSize());
        }
        font.setWeight(current.weight());
        control->setFont(font);
    }
}

} // namespace kestrom
