#include "core/canvas/GridViewChangeRecord.h"

namespace kestrom {

void GridViewChangeRecord::record(GridViewChangedProperty property, const QVariant& oldValue,
                                  const QVariant& newValue) {
    auto it = m_changes.find(property);
    if (it != m_changes.end()) {
        it->newValue = newValue;
        return;
    }
    m_changes.insert(property, Change{oldValue, newValue});
}

std::optional<GridViewChangeRecord::Change>
GridViewChangeRecord::change(GridViewChangedProperty property) const {
    auto it = m_changes.constFind(property);
    if (it == m_changes.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

} // namespace kestrom
