#pragma once

#include "core/inspector/InspectorPaneViewController.h"

#include <QList>

#include <memory>

class QLabel;
class QTabBar;
class QToolButton;

namespace kestrom {

class InspectorPageDescriptor;

// The head of the inspector: the tabs at the root page, and on pushed pages
// a back button with the page's title.
class InspectorPaneViewController_Title : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_Title(QWidget* parent = nullptr);

    QLabel* titleLabel() const { return m_titleLabel; }
    QToolButton* popButton() const { return m_popButton; }
    QTabBar* segmentedControl() const { return m_segmentedControl; }

    bool isRoot() const { return m_isRoot; }
    void setRoot(bool isRoot);
    void setTitle(const QString& title);
    const QList<std::shared_ptr<const InspectorPageDescriptor>>& tabPageDescriptors() const {
        return m_tabPageDescriptors;
    }
    void setTabPageDescriptors(const QList<std::shared_ptr<const InspectorPageDescriptor>>& pages);
    // The selected tab follows the inspector's root page.
    void setSelectedTabPage(const std::shared_ptr<const InspectorPageDescriptor>& page);

    void pop();
    void changeTab(int index);

private:
    void updateVisibility();

    QLabel* m_titleLabel;
    QToolButton* m_popButton;
    QTabBar* m_segmentedControl;
    bool m_isRoot = false;
    bool m_updatingTabs = false;
    QList<std::shared_ptr<const InspectorPageDescriptor>> m_tabPageDescriptors;
};

} // namespace kestrom
