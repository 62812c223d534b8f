#pragma once

#include "core/inspector/InspectorPageDescriptor.h"

#include <QList>
#include <QPointer>

#include <memory>

namespace kestrom {

class InspectorPaneViewController;

// One page on the inspector's navigation stack with the panes made for it
// (separators included), which it owns: they keep their state while other
// pages are pushed on top and go away with the item.
class InspectorNavigationItem {
public:
    InspectorNavigationItem(std::shared_ptr<const InspectorPageDescriptor> page,
                            const QList<InspectorPaneViewController*>& viewControllers);
    ~InspectorNavigationItem();
    InspectorNavigationItem(const InspectorNavigationItem&) = delete;
    InspectorNavigationItem& operator=(const InspectorNavigationItem&) = delete;

    const std::shared_ptr<const InspectorPageDescriptor>& pageDescriptor() const { return m_page; }
    // The panes still alive, in display order.
    QList<InspectorPaneViewController*> viewControllers() const;
    const QString& localizedTitle() const { return m_localizedTitle; }
    void setLocalizedTitle(const QString& title) { m_localizedTitle = title; }

private:
    std::shared_ptr<const InspectorPageDescriptor> m_page;
    QList<QPointer<InspectorPaneViewController>> m_viewControllers;
    QString m_localizedTitle;
};

} // namespace kestrom
