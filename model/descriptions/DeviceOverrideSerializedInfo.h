#pragma once

#include "model/descriptions/Canvas.h"
#include "model/descriptions/DeviceAdditionalInfoDictionary.h"
#include "model/descriptions/DeviceSettingParameterSerializedInfo.h"
#include "model/descriptions/MaintenanceAction.h"

#include <QStringList>

#include <optional>

namespace ambrel {

// A description entry that derives a model from another one ("baseModelName")
// by replacing some of its values. Keys it does not list always come from the base.
struct DeviceOverrideSerializedInfo {
    QString modelName;
    QString baseModelName;
    std::optional<bool> isDisabled;
    std::optional<QString> displayName;
    std::optional<QString> printerType;
    std::optional<QList<Canvas::SerializedInfo>> canvases;
    std::optional<QStringList> transportTypes;
    std::optional<QString> colorAbility;
    std::optional<QStringList> offsetBases;
    std::optional<DeviceAdditionalInfoDictionary> additionalInfos;
    // Empty when absent or when the list does not decode.
    QList<DeviceSettingParameterSerializedInfo> parameterProperties;
    std::optional<QList<MaintenanceAction::SerializedInfo>> maintenanceActions;

    static DeviceOverrideSerializedInfo decode(const JsonReader& reader);
};

} // namespace ambrel
