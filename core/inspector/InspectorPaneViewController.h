#pragma once

#include "core/inspector/PrintDocumentInspectorAdapter.h"
#include "platform/ContinuousUndoEdit.h"
#include "platform/Observation.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace kestrom {

class InspectorPageDescriptor;
class InspectorValueSlider;
class PrintDocument;

// Base of every inspector pane. A pane is made by its pane identifier
// (InspectorPaneRegistry), is given the page it was built for, and receives
// the document and the window while its page is on the inspector's stack.
// Panes it hosts follow its document. A pane observes the document's keys
// it shows; the observations end when the document goes.
class InspectorPaneViewController : public QWidget {
    Q_OBJECT
public:
    explicit InspectorPaneViewController(QWidget* parent = nullptr);
    ~InspectorPaneViewController() override;

    // The print document shown, or nothing.
    PrintDocument* document() const;
    // The document with what the window adds (printing, picture import).
    PrintDocumentInspectorAdapter* documentAdapter() const { return m_document; }
    void setDocument(PrintDocumentInspectorAdapter* document);
    QWidget* windowController() const { return m_windowController; }
    void setWindowController(QWidget* windowController);
    const std::shared_ptr<const InspectorPageDescriptor>& pageDescriptor() const {
        return m_pageDescriptor;
    }
    virtual void setPageDescriptor(std::shared_ptr<const InspectorPageDescriptor> page) {
        m_pageDescriptor = std::move(page);
    }

    // The system font at each control's size and weight; desktop fonts draw
    // their digits at one width, so columns of numbers stay still.
    static void makeControlFontsMonospacedDigit(const QList<QWidget*>& controls);

    // A drag of one of the pane's controls (a slider, a slidable label)
    // begins or ends: everything written to the document in between is one
    // undo step, however long the drag lasts. A begin ends a drag still open.
    void beginContinuousEdit();
    void endContinuousEdit();
    // The pane the widget sits in, if any.
    static InspectorPaneViewController* paneOf(QWidget* widget);

Q_SIGNALS:
    void documentChanged();
    void windowControllerChanged();

protected:
    // Called after the document changed; panes refresh all their controls.
    virtual void documentDidChange() {}
    // Called with each new document, before documentDidChange(): the pane
    // observes the keys it shows.
    virtual void observeDocument(PrintDocument& document) { Q_UNUSED(document); }
    // Calls `show` after every change of the document's key path (undo and
    // redo included) while the document is the pane's.
    void observe(const QString& keyPath, std::function<void()> show);
    void childEvent(QChildEvent* event) override;
    // The slider writes through `write` while it moves; one drag is one undo
    // step of the document.
    void connectSlider(InspectorValueSlider* slider, std::function<void(double)> write);

private:
    QPointer<PrintDocumentInspectorAdapter> m_document;
    QPointer<QWidget> m_windowController;
    std::vector<platform::Observation> m_observations;
    platform::ContinuousUndoEdit m_continuousEdit;
    std::shared_ptr<const InspectorPageDescriptor> m_pageDescriptor;
};

} // namespace kestrom
