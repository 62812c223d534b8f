#pragma once

#include "core/inspector/InspectorPageDescriptor.h"

#include "model/descriptions/DeviceDescriptor.h"

#include <QList>

#include <memory>

namespace kestrom {

class InspectorNavigationItem;

using InspectorPage = std::shared_ptr<const InspectorPageDescriptor>;

// The pages of one model's inspector.
struct InspectorPages {
    // The general page, the advanced page when there is one, then the
    // model's own pages in its order.
    QList<InspectorPage> all;
    QList<InspectorPage> tabs;
    // Tab identifiers that name no page; a description defect.
    QStringList unknownTabIdentifiers;
};

// The pages a model's inspector shows: from its abilities, its parameters'
// panes and its "Dovrel.inspector" information.
InspectorPages makeInspectorPages(const ambrel::DeviceDescriptor& device);

// A new navigation item with a new pane for each of the page's panes and a
// separator between neighbours (none before a pinned last pane).
std::shared_ptr<InspectorNavigationItem> makeNavigationItem(const InspectorPage& page);

} // namespace kestrom
