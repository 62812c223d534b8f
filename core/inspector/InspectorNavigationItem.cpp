#include "core/inspector/InspectorNavigationItem.h"

#include "core/inspector/InspectorPaneViewController.h"

namespace kestrom {

InspectorNavigationItem::InspectorNavigationItem(
    std::shared_ptr<const InspectorPageDescriptor> page,
    const QList<InspectorPaneViewController*>& viewControllers)
    : m_page(std::move(page)), m_localizedTitle(m_page->localizedName()) {
    for (auto* controller : viewControllers) {
        m_viewControllers.append(controller);
    }
}

InspectorNavigationItem::~InspectorNavigationItem() {
    // Later, not now: the pane whose button popped its own page may still be
    // on the call stack.
    for (const auto& controller : m_viewControllers) {
        if (controller) {
            controller->hide();
            controller->deleteLater();
        }
    }
}

QList<InspectorPaneViewController*> InspectorNavigationItem::viewControllers() const {
    QList<InspectorPaneViewController*> alive;
    for (const auto& controller : m_viewControllers) {
        if (controller) {
            alive.append(controller.data());
        }
    }
    return alive;
}

} // namespace kestrom
