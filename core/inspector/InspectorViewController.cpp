#include "core/inspector/InspectorViewController.h"

#include "core/document/application/PrintJobDocument.h"
#include "core/inspector/FocusChain.h"
#include "core/inspector/InspectorDocument.h"
#include "core/inspector/InspectorPaneViewController_Title.h"
#include "core/inspector/InspectorPanesStackViewController.h"
#include "core/inspector/InspectorSeparatorViewController.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace kestrom {

InspectorViewController::InspectorViewController(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("InspectorViewController"));
    m_panesStack = new InspectorPanesStackViewController(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_title = new InspectorPaneViewController_Title(this);
    m_titleSeparator = new InspectorSeparatorViewController(this);
    layout->addWidget(m_title);
    layout->addWidget(m_titleSeparator);
    // The scrolling panes take the room there is, so that a pinned pane
    // stays at the foot of the inspector.
    layout->addWidget(m_panesStack, 1);
    m_bottomLayout = new QVBoxLayout;
    m_bottomLayout->setContentsMargins(0, 0, 0, 0);
    m_bottomLayout->setSpacing(0);
    layout->addLayout(m_bottomLayout);

    connect(m_panesStack, &InspectorPanesStackViewController::topOverflownChanged, this,
            [this](bool overflown) { m_titleSeparator->setFloating(overflown); });
    connect(m_panesStack, &InspectorPanesStackViewController::bottomOverflownChanged, this,
            [this](bool overflown) {
                if (m_bottomSeparator) {
                    m_bottomSeparator->setFloating(overflown);
                }
            });
    m_title->setWindowController(m_windowController);
    setTitleVisible(false);
    resize(290, 640);
    // The free room under the panes changes with the room for them and with
    // the panes themselves.
    m_panesStack->viewport()->installEventFilter(this);
    m_panesStack->stackView()->installEventFilter(this);
}

InspectorViewController::~InspectorViewController() {
    m_panesStack->viewport()->removeEventFilter(this);
    m_panesStack->stackView()->removeEventFilter(this);
    setDocument(nullptr);
    // Panes belong to their items; take them out of the widgets first.
    m_panesStack->setPaneViewControllers({});
    if (m_bottomPane) {
        m_bottomPane->setParent(nullptr);
    }
    m_navigationItems.clear();
}

void InspectorViewController::setDocument(InspectorDocument* document) {
    m_document = document;
    m_title->setDocument(document);
    for (const auto& item : m_navigationItems) {
        for (auto* pane : item->viewControllers()) {
            pane->setDocument(document);
        }
    }
}

void InspectorViewController::setPrintDocument(PrintDocument* document) {
    auto adapter = document ? std::make_unique<PrintDocumentInspectorAdapter>(*document) : nullptr;
    setDocument(adapter.get());
    m_printDocumentAdapter = std::move(adapter);
}

void InspectorViewController::setPrintJobDocument(PrintJobDocument* document,
                                                  std::shared_ptr<RunPresenter> runPresenter,
                                                  std::shared_ptr<ImageImport> imageImport) {
    setPrintDocument(document ? &document->job() : nullptr);
    if (!document) {
        return;
    }
    QPointer<PrintJobDocument> job(document);
    m_printDocumentAdapter->setPrintAction([job, runPresenter] {
        if (job && runPresenter) {
            job->printDocument(runPresenter);
        }
    });
    m_printDocumentAdapter->setImageImport(std::move(imageImport));
}

void InspectorViewController::setWindowController(QWidget* windowController) {
    m_windowController = windowController;
    m_title->setWindowController(windowController);
    for (const auto& item : m_navigationItems) {
        for (auto* pane : item->viewControllers()) {
            pane->setWindowController(windowController);
        }
    }
}

void InspectorViewController::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> device) {
    if (device == m_deviceDescriptor) {
        return;
    }
    setNavigationItems({});
    if (device) {
        InspectorPages pages = makeInspectorPages(*device);
        m_title->setTabPageDescriptors(pages.tabs);
        m_deviceDescriptor = std::move(device);
        m_pages = pages.all;
        setSelectedTabPageDescriptor(pages.tabs.isEmpty() ? InspectorPage() : pages.tabs.front());
    } else {
        m_title->setTabPageDescriptors({});
        m_deviceDescriptor.reset();
        m_pages.clear();
        setSelectedTabPageDescriptor({});
    }
    addTransition(TransitionType::fade, TransitionSubtype::none);
}

InspectorViewController::NavigationItem* InspectorViewController::currentNavigationItem() const {
    return m_navigationItems.isEmpty() ? nullptr : m_navigationItems.back().get();
}

QString InspectorViewController::currentNavigationItemTitle() const {
    auto* item = currentNavigationItem();
    return item ? item->localizedTitle() : QString();
}

bool InspectorViewController::showsPrintPreview() const {
    return m_showsPrintPreview;
}

InspectorPage InspectorViewController::selectedTabPageDescriptor() const {
    return m_navigationItems.isEmpty() ? InspectorPage()
                                       : m_navigationItems.front()->pageDescriptor();
}

void InspectorViewController::setSelectedTabPageDescriptor(const InspectorPage& page) {
    if (m_navigationItems.isEmpty() && !page) {
        return;
    }
    if (!m_navigationItems.isEmpty() && page == m_navigationItems.front()->pageDescriptor()) {
        return;
    }
    if (page) {
        setNavigationItems({makeNavigationItem(page)});
    } else {
        setNavigationItems({});
    }
    // A tab change shows no slide.
    InspectorAnimations::removeTransition(m_panesStack);
}

void InspectorViewController::pushPage(const QString& identifier) {
    if (!m_deviceDescriptor) {
        QApplication::beep();
        return;
    }
    for (const auto& page : m_pages) {
        if (page->identifier() == identifier) {
            auto items = m_navigationItems;
            items.append(makeNavigationItem(page));
            setNavigationItems(items);
            return;
        }
    }
    QApplication::beep();
}

void InspectorViewController::pop() {
    if (m_navigationItems.size() < 2) {
        return;
    }
    auto items = m_navigationItems;
    items.removeLast();
    setNavigationItems(items);
}

void InspectorViewController::setNavigationItems(QList<std::shared_ptr<NavigationItem>> items) {
    const auto old = m_navigationItems;
    TransitionSubtype direction = TransitionSubtype::none;
    bool transition = false;
    if (!old.isEmpty() && !items.isEmpty() && old.back() != items.back()) {
        if (items.contains(old.back())) {
            transition = true;
            direction = TransitionSubtype::fromRight;
        } else if (old.contains(items.back())) {
            transition = true;
            direction = TransitionSubtype::fromLeft;
        }
    }
    for (const auto& item : old) {
        if (!items.contains(item)) {
            for (auto* pane : item->viewControllers()) {
                pane->setDocument(nullptr);
                pane->setWindowController(nullptr);
            }
        }
    }
    for (const auto& item : items) {
        if (!old.contains(item)) {
            for (auto* pane : item->viewControllers()) {
                pane->setDocument(m_document);
                pane->setWindowController(m_windowController);
            }
        }
    }
    if (transition) {
        addTransition(TransitionType::push, direction);
    }
    m_navigationItems = items;
    updateCurrentPanes();
    m_title->setRoot(isRoot());
    m_title->setTitle(currentNavigationItemTitle());
    m_title->setSelectedTabPage(selectedTabPageDescriptor());
    const bool shows = currentNavigationItem() &&
                       currentNavigationItem()->pageDescriptor()->shouldShowPrintPreview();
    if (shows != m_showsPrintPreview) {
        m_showsPrintPreview = shows;
        Q_EMIT showsPrintPreviewChanged(shows);
    }
    Q_EMIT navigationItemsChanged();
    // Items that left the stack go now, with their panes, once nothing shows them.
}

void InspectorViewController::updateCurrentPanes() {
    auto* item = currentNavigationItem();
    if (item && item->pageDescriptor()->sticksLastPane()) {
        auto panes = item->viewControllers();
        InspectorPaneViewController* last = panes.isEmpty() ? nullptr : panes.takeLast();
        m_panesStack->setPaneViewControllers({});
        setBottomPaneViewController(last);
        m_panesStack->setPaneViewControllers(panes);
    } else {
        setBottomPaneViewController(nullptr);
        m_panesStack->setPaneViewControllers(item ? item->viewControllers()
                                                  : QList<InspectorPaneViewController*>());
    }
    setTitleVisible(m_navigationItems.size() >= 2 || m_title->tabPageDescriptors().size() > 1);
}

QList<QWidget*> InspectorViewController::focusStops() const {
    QList<QWidget*> stops = FocusChain::stopsIn(m_title);
    for (auto* pane : m_panesStack->paneViewControllers()) {
        stops += FocusChain::stopsIn(pane);
    }
    if (m_bottomPane) {
        stops += FocusChain::stopsIn(m_bottomPane);
    }
    return stops;
}

void InspectorViewController::setTitleVisible(bool visible) {
    m_title->setVisible(visible);
    m_titleSeparator->setVisible(visible);
}

void InspectorViewController::setBottomPaneViewController(InspectorPaneViewController* pane) {
    if (pane == m_bottomPane) {
        return;
    }
    if (m_bottomPane) {
        m_bottomLayout->removeWidget(m_bottomPane);
        m_bottomPane->hide();
        m_bottomPane->setParent(nullptr);
    }
    m_bottomPane = pane;
    if (pane) {
        if (!m_bottomSeparator) {
            m_bottomSeparator = new InspectorSeparatorViewController(this);
            // Hidden, it keeps its line of room: the panes do not move.
            QSizePolicy policy = m_bottomSeparator->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            m_bottomSeparator->setSizePolicy(policy);
            m_bottomSeparator->setFloating(m_panesStack->isBottomOverflown());
            m_bottomLayout->insertWidget(0, m_bottomSeparator);
        }
        pane->setParent(this);
        m_bottomLayout->addWidget(pane);
        m_bottomLayout->setContentsMargins(0, 0, 0, 8);
        pane->show();
        updateBottomSeparatorVisibility();
    } else {
        delete m_bottomSeparator.data();
        m_bottomLayout->setContentsMargins(0, 0, 0, 0);
    }
}

bool InspectorViewController::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_panesStack->viewport() && event->type() == QEvent::Resize) ||
        (watched == m_panesStack->stackView() && event->type() == QEvent::LayoutRequest)) {
        updateBottomSeparatorVisibility();
    }
    return QWidget::eventFilter(watched, event);
}

void InspectorViewController::updateBottomSeparatorVisibility() {
    if (!m_bottomSeparator) {
        return;
    }
    // The panes' own height, not that of the stack view stretched over the
    // scroll area.
    const int freeRoom =
        m_panesStack->viewport()->height() - m_panesStack->stackView()->sizeHint().height();
    m_bottomSeparator->setVisible(freeRoom <= bottomSeparatorHidingGap);
}

void InspectorViewController::addTransition(TransitionType type, TransitionSubtype subtype) {
    if (m_panesStack->paneViewControllers().isEmpty()) {
        return;
    }
    InspectorAnimations::addTransition(m_panesStack, type, subtype);
}

void InspectorViewController::mousePressEvent(QMouseEvent* event) {
    // The mouse's back button goes back a page, as in a browser.
    if (event->button() == Qt::BackButton) {
        pop();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace kestrom
