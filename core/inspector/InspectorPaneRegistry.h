#pragma once

#include "model/descriptions/DeviceDescriptor.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kestrom {

class InspectorPaneViewController;

// Makes inspector panes by pane identifier. The shared registry knows every
// pane of the framework; a model can name only those.
class InspectorPaneRegistry {
public:
    using Factory = std::function<InspectorPaneViewController*()>;

    // The framework's panes, registered on first use.
    static InspectorPaneRegistry& shared();

    void registerPane(const QString& paneIdentifier, Factory factory);
    bool contains(const QString& paneIdentifier) const;
    QStringList paneIdentifiers() const;

    // A new pane, owned by the caller; for an unknown identifier the system
    // beep and nothing else.
    InspectorPaneViewController* instantiate(const QString& paneIdentifier) const;

    // What a model's inspector names that does not exist: panes without a
    // factory and tabs without a page, one text each.
    QStringList problems(const ambrel::DeviceDescriptor& device) const;
    // The start-up check of the loaded models: a model that names a pane or
    // tab that does not exist is a broken description and ends the process.
    void checkModels(const QList<std::shared_ptr<const ambrel::DeviceDescriptor>>& models) const;

private:
    QHash<QString, Factory> m_factories;
};

} // namespace kestrom
