#pragma once

#include "model/descriptions/Canvas.h"
#include "model/descriptions/ColorAbility.h"
#include "model/descriptions/DeviceAdditionalInfoDictionary.h"
#include "model/descriptions/DeviceBaseSerializedInfo.h"
#include "model/descriptions/MaintenanceAction.h"
#include "model/descriptions/PrintVerb.h"
#include "model/descriptions/TransportType.h"
#include "model/parameters/DeviceSettingParameter.h"
#include "model/pictures/OffsetBase.h"
#include "model/units/Dpi.h"

#include <QUrl>
#include <QVariant>

#include <memory>
#include <optional>

namespace ambrel {

class DeviceConnection;

// One device model as a plug-in describes it. Descriptors are made only by
// decoding a plug-in's description text, are shared (std::shared_ptr) and do
// not change afterwards, so any thread may read them.
class DeviceDescriptor : public std::enable_shared_from_this<DeviceDescriptor> {
public:
    using BaseSerializedInfo = DeviceBaseSerializedInfo;
    using OverrideSerializedInfo = DeviceOverrideSerializedInfo;

    // The alert shown after a print job.
    struct CompletionAlertInfo {
        QString message;
        QString informativeText;
        // An "mp4" movie of the plug-in's resources ("qrc:" for compiled-in ones).
        std::optional<QUrl> videoFileUrl;
        bool operator==(const CompletionAlertInfo&) const = default;
    };

    // The copyright notice alert.
    struct CopyrightAlertInfo {
        QString message;
        QString informativeText;
        QString buttonTitle;
        bool operator==(const CopyrightAlertInfo&) const = default;
    };

    // Builds the model of a resolved record; the texts of the plug-in come
    // from its bundle's default table. Throws DeviceDescriptionError for a
    // record without canvases or anchors, or with an unknown transport.
    DeviceDescriptor(const BaseSerializedInfo& record, const platform::Bundle* pluginBundle);
    DeviceDescriptor(const DeviceDescriptor&) = delete;
    DeviceDescriptor& operator=(const DeviceDescriptor&) = delete;

    // All models of a description text, in text order. Throws DecodingError
    // for text that does not decode and DeviceDescriptionError for a text
    // that decodes but describes an unusable model; no partial list.
    static QList<std::shared_ptr<const DeviceDescriptor>>
    deviceDescriptors(const QByteArray& json, const platform::Bundle* pluginBundle);
    // The same, reporting a failure through *error (when given) and nothing.
    static std::optional<QList<std::shared_ptr<const DeviceDescriptor>>>
    deviceDescriptorsWithDecoding(const QByteArray& json, const platform::Bundle* pluginBundle,
                                  std::shared_ptr<const platform::Error>* error);

    // Every model of every registered plug-in, plug-ins in registration
    // order. Built once, on the first read (from any thread), and kept.
    static const QList<std::shared_ptr<const DeviceDescriptor>>& supported();

    // A new, unopened connection from the first registered plug-in that
    // serves this model. A model no plug-in serves ends the process.
    std::shared_ptr<DeviceConnection> newConnection(TransportType transportType) const;
    // Lets the plug-ins ready a print to this model ahead of it.
    void prepareForPrint() const;

    const QString& modelName() const { return m_modelName; }
    const QString& localizedName() const { return m_localizedName; }
    const QString& printerType() const { return m_printerType; }
    PrintVerb printVerb() const { return m_printVerb; }
    void setPrintVerb(PrintVerb verb) { m_printVerb = verb; }
    const QList<std::shared_ptr<const Canvas>>& canvases() const { return m_canvases; }
    const QList<TransportType>& transportTypes() const { return m_transportTypes; }
    ColorAbility colorAbility() const { return m_colorAbility; }
    qint64 headDotCount() const { return m_headDotCount; }
    Dpi dpi() const { return m_dpi; }
    bool hidesDpi() const { return m_hidesDpi; }
    const std::optional<CompletionAlertInfo>& completionAlertInfo() const {
        return m_completionAlertInfo;
    }
    const std::optional<CopyrightAlertInfo>& copyrightAlertInfo() const {
        return m_copyrightAlertInfo;
    }
    const QList<MaintenanceAction>& maintenanceActions() const { return m_maintenanceActions; }
    const QList<MaintenanceAction>& visibleMaintenanceActions() const {
        return m_visibleMaintenanceActions;
    }
    const QList<MaintenanceAction>& visibleMaintenanceActionsIncludingDebug() const {
        return m_visibleMaintenanceActionsIncludingDebug;
    }
    const QList<OffsetBase>& allowedOffsetBases() const { return m_allowedOffsetBases; }
    const DeviceAdditionalInfoDictionary& additionalInfos() const { return m_additionalInfos; }
    const QList<std::shared_ptr<const DeviceSettingParameter>>& parameterProperties() const {
        return m_parameterProperties;
    }
    bool showsMaintenanceButton() const { return m_showsMaintenanceButton; }
    // Plug-in table, main table, this library's table.
    const QList<LocalizedStringTable>& localizedStringTables() const {
        return m_localizedStringTables;
    }
    void setLocalizedStringTables(const QList<LocalizedStringTable>& tables) {
        m_localizedStringTables = tables;
    }

    bool showsCompletionAlert() const { return m_completionAlertInfo.has_value(); }

    // Titles in the wording of the print verb, from this library's table,
    // falling back to the word that ends their key.
    QString printProgressTitle() const;
    QString printButtonTitle() const;
    QString printMenuItemTitle() const;
    QString printInspectorOptionsExpanderTitle() const;
    QString printInspectorPaneTitle() const;
    // What becomes of a picture that runs over the canvas, or of one that
    // lies wholly outside it.
    QString overflowAlertMessage(bool whollyOutside = false) const;

    // The properties views bind to, by name: "modelName", "localizedName",
    // "printerType", "canvases" (QList<std::shared_ptr<const Canvas>>),
    // "headDotCount", "hidesDpi", "parameterProperties"
    // (QList<std::shared_ptr<const DeviceSettingParameter>>),
    // "showsMaintenanceButton", "transportTypes" (QStringList of "usb"/"wifi"),
    // "colorAbility" ("blackWhite"/"fullColor"), "dpi" (a double),
    // "allowedOffsetBases" (QStringList of anchor names), "showsCompletionAlert"
    // and the six titles above. Any other key gives an empty value.
    QVariant valueForKey(const QString& key) const;

private:
    QString verbWord() const;
    QString startWord() const;
    static QString titleFor(const QString& keyPrefix, const QString& word);

    QString m_modelName;
    QString m_localizedName;
    QString m_printerType;
    PrintVerb m_printVerb;
    QList<std::shared_ptr<const Canvas>> m_canvases;
    QList<TransportType> m_transportTypes;
    ColorAbility m_colorAbility;
    qint64 m_headDotCount = 1;
    Dpi m_dpi;
    bool m_hidesDpi = false;
    std::optional<CompletionAlertInfo> m_completionAlertInfo;
    std::optional<CopyrightAlertInfo> m_copyrightAlertInfo;
    QList<MaintenanceAction> m_maintenanceActions;
    QList<MaintenanceAction> m_visibleMaintenanceActions;
    QList<MaintenanceAction> m_visibleMaintenanceActionsIncludingDebug;
    QList<OffsetBase> m_allowedOffsetBases;
    DeviceAdditionalInfoDictionary m_additionalInfos;
    QList<std::shared_ptr<const DeviceSettingParameter>> m_parameterProperties;
    bool m_showsMaintenanceButton = true;
    QList<LocalizedStringTable> m_localizedStringTables;

    // Plain values for views, filled once.
    QStringList m_transportTypeNames;
    QString m_colorAbilityName;
    double m_dpiValue = 0;
    QStringList m_allowedOffsetBaseNames;
};

} // namespace ambrel
