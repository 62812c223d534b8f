#include "core/inspector/InspectorPaneViewController_Title.h"

#include "core/document/job/KestromText.h"
#include "core/inspector/InspectorPageDescriptor.h"
#include "core/inspector/InspectorViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTabBar>
#include <QToolButton>

namespace kestrom {

namespace {

InspectorViewController* nearestInspector(QWidget* from) {
    for (QWidget* w = from ? from->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* inspector = qobject_cast<InspectorViewController*>(w)) {
            return inspector;
        }
    }
    return nullptr;
}

} // namespace

InspectorPaneViewController_Title::InspectorPaneViewController_Title(QWidget* parent)
    : InspectorPaneViewController(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(6);
    m_popButton = new QToolButton(this);
    m_popButton->setArrowType(Qt::LeftArrow);
    m_popButton->setAutoRaise(true);
    m_popButton->setToolTip(KestromText::text(QStringLiteral("Inspector_Title_Back")));
    m_popButton->setAccessibleName(m_popButton->toolTip());
    m_popButton->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    connect(m_popButton, &QToolButton::clicked, this, &InspectorPaneViewController_Title::pop);
    layout->addWidget(m_popButton);
    m_titleLabel = new QLabel(this);
    QFont headline = m_titleLabel->font();
    headline.setBold(true);
    m_titleLabel->setFont(headline);
    layout->addWidget(m_titleLabel, 1);
    m_segmentedControl = new QTabBar(this);
    m_segmentedControl->setExpanding(true);
    m_segmentedControl->setDrawBase(false);
    m_segmentedControl->setDocumentMode(true);
    connect(m_segmentedControl, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_updatingTabs) {
            changeTab(index);
        }
    });
    layout->addWidget(m_segmentedControl, 1);
    setTabPageDescriptors({});
    updateVisibility();
}

void InspectorPaneViewController_Title::setRoot(bool isRoot) {
    m_isRoot = isRoot;
    updateVisibility();
}

void InspectorPaneViewController_Title::setTitle(const QString& title) {
    m_titleLabel->setText(title);
}

void InspectorPaneViewController_Title::updateVisibility() {
    m_popButton->setVisible(!m_isRoot);
    m_titleLabel->setVisible(!m_isRoot);
    m_segmentedControl->setVisible(m_isRoot);
}

void InspectorPaneViewController_Title::setTabPageDescriptors(
    const QList<std::shared_ptr<const InspectorPageDescriptor>>& pages) {
    m_tabPageDescriptors = pages;
    m_updatingTabs = true;
    while (m_segmentedControl->count() > 0) {
        m_segmentedControl->removeTab(0);
    }
    if (pages.isEmpty()) {
        m_segmentedControl->addTab(QString());
    }
    for (const auto& page : pages) {
        m_segmentedControl->addTab(page->localizedName());
    }
    m_segmentedControl->setCurrentIndex(0);
    m_updatingTabs = false;
}

void InspectorPaneViewController_Title::setSelectedTabPage(
    const std::shared_ptr<const InspectorPageDescriptor>& page) {
    const qsizetype index = m_tabPageDescriptors.indexOf(page);
    if (index >= 0 && index != m_segmentedControl->currentIndex()) {
        m_updatingTabs = true;
        m_segmentedControl->setCurrentIndex(int(index));
        m_updatingTabs = false;
    }
}

void InspectorPaneViewController_Title::pop() {
    if (auto* inspector = nearestInspector(this)) {
        inspector->pop();
    }
}

void InspectorPaneViewController_Title::changeTab(int index) {
    auto* inspector = nearestInspector(this);
    if (!inspector || index < 0 || index >= m_tabPageDescriptors.size()) {
        return;
    }
    inspector->setSelectedTabPageDescriptor(m_tabPageDescriptors[index]);
}

} // namespace kestrom
