#pragma once

#include "core/inspector/InspectorPaneDescriptor.h"

#include "model/units/JsonReader.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kestrom {

// One page of the inspector: its panes top to bottom and how the window
// shows it. Pages are immutable and shared; two pages are the same page only
// when they are the same object.
class InspectorPageDescriptor {
public:
    // A page as a model's description writes it.
    struct SerializedInfo {
        QString identifier;
        QStringList panes;
        bool shouldShowPrintPreview = false;
        bool sticksLastPane = false;

        static SerializedInfo decode(const ambrel::JsonReader& reader);
    };

    // The name is the framework's text for "InspectorTabName_" followed by
    // the name key (the identifier when there is none), else the identifier.
    InspectorPageDescriptor(QString identifier, const QStringList& paneIdentifiers,
                            bool shouldShowPrintPreview, bool sticksLastPane,
                            const std::optional<QString>& nameKey = std::nullopt);
    InspectorPageDescriptor(const InspectorPageDescriptor&) = delete;
    InspectorPageDescriptor& operator=(const InspectorPageDescriptor&) = delete;

    const QString& identifier() const { return m_identifier; }
    const QString& localizedName() const { return m_localizedName; }
    const QList<InspectorPaneDescriptor>& paneDescriptors() const { return m_paneDescriptors; }
    bool shouldShowPrintPreview() const { return m_shouldShowPrintPreview; }
    bool sticksLastPane() const { return m_sticksLastPane; }

private:
    QString m_identifier;
    QString m_localizedName;
    QList<InspectorPaneDescriptor> m_paneDescriptors;
    bool m_shouldShowPrintPreview;
    bool m_sticksLastPane;
};

} // namespace kestrom
