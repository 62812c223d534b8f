#include "model/descriptions/DeviceDescriptor.h"

#include "model/descriptions/DeviceDescriptionDecoder.h"
#include "model/descriptions/DeviceDescriptionError.h"

namespace ambrel {

namespace {

using Error = DeviceDescriptionError;

QList<LocalizedStringTable> tablesFor(const platform::Bundle* pluginBundle) {
    QList<LocalizedStringTable> tables{LocalizedStringTable::main(),
                                       LocalizedStringTable::ambrel()};
    const LocalizedStringTable pluginTable(pluginBundle);
    if (!tables.contains(pluginTable)) {
        tables.prepend(pluginTable);
    }
    return tables;
}

// The text of prefix + name for the model's own name, then each ancestor's,
// in the first table that has one.
std::optional<QString> modelText(const QString& prefix, const DeviceBaseSerializedInfo& record,
                                 const QList<LocalizedStringTable>& tables) {
    const QStringList candidates =
        QStringList{record.modelName} + record.ancestorModelNames.value_or(QStringList());
    for (const QString& name : candidates) {
        if (auto text = LocalizedStringTable::preferredLocalizedString(prefix + name, tables)) {
            return text;
        }
    }
    return std::nullopt;
}

std::optional<QUrl> resourceUrl(const platform::Bundle* bundle, const QString& name,
                                const QString& extension) {
    const auto path = bundle->pathForResource(name, extension);
    if (!path) {
        return std::nullopt;
    }
    if (path->startsWith(QLatin1String(":/"))) {
        return QUrl(QStringLiteral("qrc") + *path);
    }
    return QUrl::fromLocalFile(*path);
}

} // namespace

DeviceDescriptor::DeviceDescriptor(const BaseSerializedInfo& record,
                                   const platform::Bundle* pluginBundle)
    : m_modelName(record.modelName), m_localizedName(record.displayName.value_or(record.modelName)),
      m_printerType(record.printerType), m_printVerb(record.printVerb.value_or(PrintVerb::print)),
      m_colorAbility(record.colorAbility == QLatin1String("fullColor") ? ColorAbility::fullColor
                                                                       : ColorAbility::blackWhite),
      m_headDotCount(record.headDotCount.value_or(1)), m_dpi(record.dpi),
      m_hidesDpi(record.hidesDpi.value_or(false)),
      m_additionalInfos(record.additionalInfos.value_or(DeviceAdditionalInfoDictionary())),
      m_showsMaintenanceButton(record.showsMaintenanceButton.value_or(true)),
      m_localizedStringTables(tablesFor(pluginBundle)) {
    const auto& tables = m_localizedStringTables;

    for (const Canvas::SerializedInfo& canvas : record.canvases) {
        m_canvases.append(std::make_shared<const Canvas>(canvas, tables));
    }
    for (const QString& name : record.offsetBases) {
        // Names that are no anchor are skipped.
        if (auto base = OffsetBase::fromRawValue(name)) {
            m_allowedOffsetBases.append(*base);
            m_allowedOffsetBaseNames.append(base->rawValue());
        }
    }
    for (const QString& name : record.transportTypes.value_or(QStringList{QStringLiteral("usb")})) {
        const auto transport = TransportType::fromRawValue(name);
        if (!transport) {
            throw Error(Error::Case::unknownTransportType, m_modelName, name);
        }
        m_transportTypes.append(*transport);
        m_transportTypeNames.append(transport->rawValue());
    }
    m_colorAbilityName = m_colorAbility.rawValue();
    m_dpiValue = m_dpi.rawValue();

    if (m_allowedOffsetBases.isEmpty()) {
        throw Error(Error::Case::noOffsetBase, m_modelName);
    }
    if (m_canvases.isEmpty()) {
        throw Error(Error::Case::noCanvas, m_modelName);
    }

    for (const auto& info :
         record.maintenanceActions.value_or(QList<MaintenanceAction::SerializedInfo>())) {
        const MaintenanceAction action = MaintenanceAction::make(info, tables);
        m_maintenanceActions.append(action);
        if (action.visibility == MaintenanceAction::Visibility::visible) {
            m_visibleMaintenanceActions.append(action);
        }
        if (action.visibility != MaintenanceAction::Visibility::hidden) {
            m_visibleMaintenanceActionsIncludingDebug.append(action);
        }
    }

    for (const auto& info : record.parameterProperties) {
        m_parameterProperties.append(info.makeParameter(tables));
    }

    if (auto message = modelText(QStringLiteral("PrintCompletionAlert_Message_"), record, tables)) {
        CompletionAlertInfo alert;
        alert.message = *message;
        alert.informativeText =
            modelText(QStringLiteral("PrintCompletionAlert_InformativeText_"), record, tables)
                .value_or(QString());
        if (record.completionAlertVideoName) {
            alert.videoFileUrl =
                resourceUrl(pluginBundle, *record.completionAlertVideoName, QStringLiteral("mp4"));
        }
        m_completionAlertInfo = alert;
    }

    if (auto message = modelText(QStringLiteral("CopyrightAlert_Message_"), record, tables)) {
        CopyrightAlertInfo alert;
        alert.message = *message;
        // The notice shows its message again as the informative text.
        alert.informativeText = *message;
        alert.buttonTitle = modelText(QStringLiteral("CopyrightAlert_ButtonTitle_"), record, tables)
                                .value_or(QStringLiteral("OK"));
        m_copyrightAlertInfo = alert;
    }
}

QList<std::shared_ptr<const DeviceDescriptor>>
DeviceDescriptor::deviceDescriptors(const QByteArray& json, const platform::Bundle* pluginBundle) {
    QList<std::shared_ptr<const DeviceDescriptor>> descriptors;
    for (const auto& record : DeviceDescriptionDecoder::resolvedRecords(json)) {
        descriptors.append(std::make_shared<const DeviceDescriptor>(record, pluginBundle));
    }
    return descriptors;
}

std::optional<QList<std::shared_ptr<const DeviceDescriptor>>>
DeviceDescriptor::deviceDescriptorsWithDecoding(const QByteArray& json,
                                                const platform::Bundle* pluginBundle,
                                                std::shared_ptr<const platform::Error>* error) {
    try {
        return deviceDescriptors(json, pluginBundle);
    } catch (const platform::Error& e) {
        if (error) {
            *error = e.clone();
        }
        return std::nullopt;
    }
}

QString DeviceDescriptor::verbWord() const {
    return m_printVerb == PrintVerb::lunvik ? QStringLiteral("Lunvik") : QStringLiteral("Print");
}

QString DeviceDescriptor::startWord() const {
    if (m_printVerb == PrintVerb::lunvik) {
        return showsCompletionAlert() ? QStringLiteral("PrepareLunvik")
                                      : QStringLiteral("StartLunvik");
    }
    return QStringLiteral("Print");
}

QString DeviceDescriptor::titleFor(const QString& keyPrefix, const QString& word) {
    return LocalizedStringTable::ambrel().getLocalizedStringOrNull(keyPrefix + word).value_or(word);
}

QString DeviceDescriptor::printProgressTitle() const {
    return titleFor(QStringLiteral("PrintProgress_title_"), verbWord());
}

QString DeviceDescriptor::printButtonTitle() const {
    return titleFor(QStringLiteral("Inspector_Print_PrintButtonTitle_"), startWord());
}

QString DeviceDescriptor::printMenuItemTitle() const {
    return titleFor(QStringLiteral("Menu_"), startWord());
}

QString DeviceDescriptor::printInspectorOptionsExpanderTitle() const {
    return titleFor(QStringLiteral("Inspector_Print_OptionsExpanderTitle_"), verbWord());
}

QString DeviceDescriptor::printInspectorPaneTitle() const {
    return titleFor(QStringLiteral("Inspector_Print_Title_"), verbWord());
}

QString DeviceDescriptor::overflowAlertMessage(bool whollyOutside) const {
    return titleFor(whollyOutside
                        ? QStringLiteral("Inspector_ImageLayout_outsideAlertDescription_")
                        : QStringLiteral("Inspector_ImageLayout_overflowAlertDescription_"),
                    verbWord());
}

QVariant DeviceDescriptor::valueForKey(const QString& key) const {
    using Getter = QVariant (*)(const DeviceDescriptor&);
    static const QHash<QString, Getter> getters{
        {QStringLiteral("modelName"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_modelName); }},
        {QStringLiteral("localizedName"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_localizedName); }},
        {QStringLiteral("printerType"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_printerType); }},
        {QStringLiteral("canvases"),
         [](const DeviceDescriptor& d) { return QVariant::fromValue(d.m_canvases); }},
        {QStringLiteral("headDotCount"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_headDotCount); }},
        {QStringLiteral("hidesDpi"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_hidesDpi); }},
        {QStringLiteral("parameterProperties"),
         [](const DeviceDescriptor& d) { return QVariant::fromValue(d.m_parameterProperties); }},
        {QStringLiteral("showsMaintenanceButton"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_showsMaintenanceButton); }},
        {QStringLiteral("transportTypes"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_transportTypeNames); }},
        {QStringLiteral("colorAbility"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_colorAbilityName); }},
        {QStringLiteral("dpi"), [](const DeviceDescriptor& d) { return QVariant(d.m_dpiValue); }},
        {QStringLiteral("allowedOffsetBases"),
         [](const DeviceDescriptor& d) { return QVariant(d.m_allowedOffsetBaseNames); }},
        {QStringLiteral("showsCompletionAlert"),
         [](const DeviceDescriptor& d) { return QVariant(d.showsCompletionAlert()); }},
        {QStringLiteral("printProgressTitle"),
         [](const DeviceDescriptor& d) { return QVariant(d.printProgressTitle()); }},
        {QStringLiteral("printButtonTitle"),
         [](const DeviceDescriptor& d) { return QVariant(d.printButtonTitle()); }},
        {QStringLiteral("printMenuItemTitle"),
         [](const DeviceDescriptor& d) { return QVariant(d.printMenuItemTitle()); }},
        {QStringLiteral("printInspectorOptionsExpanderTitle"),
         [](const DeviceDescriptor& d) {
             return QVariant(d.printInspectorOptionsExpanderTitle());
         }},
        {QStringLiteral("printInspectorPaneTitle"),
         [](const DeviceDescriptor& d) { return QVariant(d.printInspectorPaneTitle()); }},
        {QStringLiteral("overflowAlertMessage"),
         [](const DeviceDescriptor& d) { return QVariant(d.overflowAlertMessage()); }},
    };
    const auto it = getters.constFind(key);
    return it == getters.cend() ? QVariant() : (*it)(*this);
}

} // namespace ambrel
