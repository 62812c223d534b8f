#include "core/inspector/InspectorPageDescriptor.h"

#include "core/document/job/Framework.h"
#include "core/document/job/KestromText.h"

namespace kestrom {

InspectorPageDescriptor::SerializedInfo
InspectorPageDescriptor::SerializedInfo::decode(const ambrel::JsonReader& reader) {
    SerializedInfo info;
    info.identifier = reader.key(QStringLiteral("identifier")).string();
    for (const auto& pane : reader.key(QStringLiteral("panes")).array()) {
        info.panes.append(pane.string());
    }
    info.shouldShowPrintPreview =
        reader.optionalBoolean(QStringLiteral("shouldShowPrintPreview")).value_or(false);
    info.sticksLastPane = reader.optionalBoolean(QStringLiteral("sticksLastPane")).value_or(false);
    return info;
}

InspectorPageDescriptor::InspectorPageDescriptor(QString identifier,
                                                 const QStringList& paneIdentifiers,
                                                 bool shouldShowPrintPreview, bool sticksLastPane,
                                                 const std::optional<QString>& nameKey)
    : m_identifier(std::move(identifier)), m_shouldShowPrintPreview(shouldShowPrintPreview),
      m_sticksLastPane(sticksLastPane) {
    const QString key = QStringLiteral("InspectorTabName_") + nameKey.value_or(m_identifier);
    m_localizedName = KestromText::optionalText(key).value_or(m_identifier);
    for (const QString& pane : paneIdentifiers) {
        m_paneDescriptors.append(InspectorPaneDescriptor(pane));
    }
}

} // namespace kestrom
