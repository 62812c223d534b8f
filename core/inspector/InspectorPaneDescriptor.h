#pragma once

#include <QString>

namespace kestrom {

// One pane of an inspector page, named by its pane identifier.
class InspectorPaneDescriptor {
public:
    explicit InspectorPaneDescriptor(QString identifier) : m_identifier(std::move(identifier)) {}

    const QString& identifier() const { return m_identifier; }

private:
    QString m_identifier;
};

} // namespace kestrom
