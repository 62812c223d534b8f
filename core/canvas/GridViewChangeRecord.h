#pragma once

#include "core/canvas/GridViewChangedProperty.h"

#include <QHash>
#include <QVariant>

#include <optional>

namespace kestrom {

// The changes made since the last layout pass: for each property the value
// it had before the first change and the latest value.
class GridViewChangeRecord {
public:
    struct Change {
        QVariant oldValue;
        QVariant newValue;
        bool operator==(const Change&) const = default;
    };

    // Keeps the first old value of a property already recorded.
    void record(GridViewChangedProperty property, const QVariant& oldValue,
                const QVariant& newValue);
    std::optional<Change> change(GridViewChangedProperty property) const;
    bool contains(GridViewChangedProperty property) const { return m_changes.contains(property); }
    bool isEmpty() const { return m_changes.isEmpty(); }
    qsizetype count() const { return m_changes.size(); }
    void clear() { m_changes.clear(); }

private:
    QHash<GridViewChangedProperty, Change> m_changes;
};

} // namespace kestrom
