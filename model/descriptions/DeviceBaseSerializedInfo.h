#pragma once

#include "model/descriptions/DeviceOverrideSerializedInfo.h"
#include "model/descriptions/PrintVerb.h"
#include "model/units/Dpi.h"

namespace ambrel {

// A description entry that describes a model by itself; also the record a
// resolved override becomes.
struct DeviceBaseSerializedInfo {
    std::optional<bool> isDisabled;
    QString modelName;
    std::optional<QString> displayName;
    QString printerType;
    std::optional<PrintVerb> printVerb;
    QList<Canvas::SerializedInfo> canvases;
    std::optional<QStringList> transportTypes;
    std::optional<QString> colorAbility;
    std::optional<qint64> headDotCount;
    Dpi dpi;
    std::optional<bool> hidesDpi;
    QStringList offsetBases;
    std::optional<QString> completionAlertVideoName;
    // Empty when absent or when the list does not decode.
    QList<DeviceSettingParameterSerializedInfo> parameterProperties;
    std::optional<QList<MaintenanceAction::SerializedInfo>> maintenanceActions;
    std::optional<bool> showsMaintenanceButton;
    std::optional<DeviceAdditionalInfoDictionary> additionalInfos;
    std::optional<QStringList> ancestorModelNames;
    // How many ancestors a derived model keeps for looking up its texts.
    static constexpr qsizetype maximumAncestorCount = 32;

    static DeviceBaseSerializedInfo decode(const JsonReader& reader);

    // The model the override derives from this one.
    DeviceBaseSerializedInfo merged(const DeviceOverrideSerializedInfo& o) const;
};

} // namespace ambrel
