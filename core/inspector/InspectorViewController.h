#pragma once

#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorDocument.h"
#include "core/inspector/InspectorNavigationItem.h"
#include "core/inspector/InspectorPages.h"
#include "core/inspector/InspectorPaneViewController.h"
#include "core/inspector/InspectorSeparatorViewController.h"

#include "model/descriptions/DeviceDescriptor.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace kestrom {

class ImageImport;
class InspectorPaneViewController_Title;
class PrintDocument;
class PrintJobDocument;
class RunPresenter;
class PrintDocumentInspectorAdapter;
class InspectorPanesStackViewController;

// The side panel of the document window. It shows one page of panes at a
// time: a root page chosen by tab and pages pushed on top of it (such as
// "advanced"), under a title pane with the tabs or a back button, in a
// scrolling stack; a page may pin its last pane below the stack.
class InspectorViewController : public QWidget {
    Q_OBJECT
public:
    using NavigationItem = InspectorNavigationItem;
    using TransitionType = InspectorAnimations::TransitionType;
    using TransitionSubtype = InspectorAnimations::TransitionSubtype;

    explicit InspectorViewController(QWidget* parent = nullptr);
    ~InspectorViewController() override;

    InspectorPaneViewController_Title* titleViewController() const { return m_title; }
    InspectorSeparatorViewController* titleSeparatorViewController() const {
        return m_titleSeparator;
    }
    InspectorPanesStackViewController* panesStackViewController() const { return m_panesStack; }
    InspectorPaneViewController* bottomPaneViewController() const { return m_bottomPane; }
    InspectorSeparatorViewController* bottomPaneSeparatorViewController() const {
        return m_bottomSeparator;
    }

    InspectorDocument* document() const { return m_document; }
    void setDocument(InspectorDocument* document);
    // The window's way in: the inspector keeps its own adapter over the
    // print document (which must outlive it, or be replaced first).
    void setPrintDocument(PrintDocument* document);
    // All of it at once: the job's print document, the print button's action
    // (the job printed behind the window's progress sheet) and the picture
    // import of the picture well.
    void setPrintJobDocument(PrintJobDocument* document, std::shared_ptr<RunPresenter> runPresenter,
                             std::shared_ptr<ImageImport> imageImport);
    // The adapter made by setPrintDocument(), for the window to give it its
    // print action and picture import; null otherwise.
    PrintDocumentInspectorAdapter* printDocumentAdapter() const {
        return m_printDocumentAdapter.get();
    }
    QWidget* windowController() const { return m_windowController; }
    void setWindowController(QWidget* windowController);

    const std::shared_ptr<const ambrel::DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    // Rebuilds tabs and pages; the same model again keeps everything.
    void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> device);
    // Every page of the model, which pushes search.
    const QList<InspectorPage>& pages() const { return m_pages; }

    const QList<std::shared_ptr<NavigationItem>>& navigationItems() const {
        return m_navigationItems;
    }
    NavigationItem* currentNavigationItem() const;
    QString currentNavigationItemTitle() const;
    bool isRoot() const { return m_navigationItems.size() < 2; }
    bool showsPrintPreview() const;

    InspectorPage selectedTabPageDescriptor() const;
    virtual void setSelectedTabPageDescriptor(const InspectorPage& page);
    // An unknown identifier, or no model yet: the system beep, nothing else.
    virtual void pushPage(const QString& identifier);
    // Back one page; nothing at the root.
    virtual void pop();
    virtual void addTransition(TransitionType type, TransitionSubtype subtype);
    virtual void setTitleVisible(bool visible);
    virtual void updateCurrentPanes();
    // Where Tab stops, top to bottom as shown: the title, the scrolled panes,
    // then the pane pinned below them.
    QList<QWidget*> focusStops() const;

    // Beyond this much free room between the panes' end and the pinned
    // pane, the separator above the pinned pane hides.
    static constexpr int bottomSeparatorHidingGap = 30;

Q_SIGNALS:
    void navigationItemsChanged();
    // Whether the shown page asks the canvas for its print-sequence overlay.
    void showsPrintPreviewChanged(bool shows);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateBottomSeparatorVisibility();
    void setNavigationItems(QList<std::shared_ptr<NavigationItem>> items);
    void setBottomPaneViewController(InspectorPaneViewController* pane);

    InspectorPaneViewController_Title* m_title;
    InspectorSeparatorViewController* m_titleSeparator;
    InspectorPanesStackViewController* m_panesStack;
    QVBoxLayout* m_bottomLayout;
    QPointer<InspectorSeparatorViewController> m_bottomSeparator;
    QPointer<InspectorPaneViewController> m_bottomPane;

    QPointer<InspectorDocument> m_document;
    std::unique_ptr<PrintDocumentInspectorAdapter> m_printDocumentAdapter;
    QPointer<QWidget> m_windowController;
    std::shared_ptr<const ambrel::DeviceDescriptor> m_deviceDescriptor;
    QList<InspectorPage> m_pages;
    QList<std::shared_ptr<NavigationItem>> m_navigationItems;
    bool m_showsPrintPreview = false;
};

} // namespace kestrom
