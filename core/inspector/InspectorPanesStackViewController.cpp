#include "core/inspector/InspectorPanesStackViewController.h"

#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorPaneViewController.h"

#include <QEvent>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kestrom {

InspectorPanesStackViewController::InspectorPanesStackViewController(QWidget* parent)
    : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    // Tab goes to the panes' controls, which scroll into sight; the area
    // itself has nothing to show focus on.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    m_stackView = new QWidget;
    m_stackView->setObjectName(QStringLiteral("InspectorPanesStackView"));
    m_stackLayout = new QVBoxLayout(m_stackView);
    m_stackLayout->setContentsMargins(0, 0, 0, 0);
    m_stackLayout->setSpacing(0);
    m_stackLayout->addStretch(1);
    setWidget(m_stackView);
    viewport()->setAutoFillBackground(false);
    m_stackView->setAutoFillBackground(false);
    m_stackView->installEventFilter(this);

    m_topShadow = new ShadowView(ShadowView::Edge::top, this);
    m_bottomShadow = new ShadowView(ShadowView::Edge::bottom, this);
    m_topShadow->setOpacity(0);
    m_bottomShadow->setOpacity(0);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            &InspectorPanesStackViewController::updateShadows);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this,
            &InspectorPanesStackViewController::updateShadows);
}

QSize InspectorPanesStackViewController::sizeHint() const {
    return QSize(290, m_stackView->sizeHint().height());
}

QList<InspectorPaneViewController*> InspectorPanesStackViewController::paneViewControllers() const {
    QList<InspectorPaneViewController*> panes;
    for (const auto& pane : m_panes) {
        if (pane) {
            panes.append(pane.data());
        }
    }
    return panes;
}

void InspectorPanesStackViewController::setPaneViewControllers(
    const QList<InspectorPaneViewController*>& controllers) {
    // Old panes belong to their page's navigation item: they are taken out,
    // not destroyed.
    for (const auto& pane : m_panes) {
        if (pane) {
            m_stackLayout->removeWidget(pane);
            pane->hide();
            pane->setParent(nullptr);
        }
    }
    m_panes.clear();
    for (auto* pane : controllers) {
        m_panes.append(pane);
        m_stackLayout->insertWidget(m_stackLayout->count() - 1, pane);
        pane->show();
    }
    updateShadows();
}

void InspectorPanesStackViewController::setShowsTopShadow(bool shows) {
    if (m_showsTopShadow == shows) {
        return;
    }
    m_showsTopShadow = shows;
    updateShadows();
}

void InspectorPanesStackViewController::updateShadows() {
    const QScrollBar* bar = verticalScrollBar();
    const bool hideTop = bar->value() <= bar->minimum() || !m_showsTopShadow;
    const bool hideBottom = bar->value() >= bar->maximum();
    if (m_topShadow->opacity() != (hideTop ? 0 : 1)) {
        InspectorAnimations::fadeOpacity(m_topShadow, hideTop ? 0 : 1);
    }
    if (m_bottomShadow->opacity() != (hideBottom ? 0 : 1)) {
        InspectorAnimations::fadeOpacity(m_bottomShadow, hideBottom ? 0 : 1);
    }
    if (m_isTopOverflown != !hideTop) {
        m_isTopOverflown = !hideTop;
        Q_EMIT topOverflownChanged(m_isTopOverflown);
    }
    if (m_isBottomOverflown != !hideBottom) {
        m_isBottomOverflown = !hideBottom;
        Q_EMIT bottomOverflownChanged(m_isBottomOverflown);
    }
}

void InspectorPanesStackViewController::placeShadows() {
    const QRect area = viewport()->geometry();
    const int topHeight = m_topShadow->sizeHint().height();
    const int bottomHeight = m_bottomShadow->sizeHint().height();
    m_topShadow->setGeometry(area.left(), area.top(), area.width(), topHeight);
    m_bottomShadow->setGeometry(area.left(), area.bottom() - bottomHeight + 1, area.width(),
                                bottomHeight);
    m_topShadow->raise();
    m_bottomShadow->raise();
}

void InspectorPanesStackViewController::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    placeShadows();
    updateShadows();
}

bool InspectorPanesStackViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_stackView && event->type() == QEvent::LayoutRequest) {
        updateGeometry(); // the preferred height follows the panes
        updateShadows();
    }
    return QScrollArea::eventFilter(watched, event);
}

} // namespace kestrom
