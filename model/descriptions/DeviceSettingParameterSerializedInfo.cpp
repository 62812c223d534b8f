#include "model/descriptions/DeviceSettingParameterSerializedInfo.h"

namespace ambrel {

const QString& DeviceSettingParameterSerializedInfo::identifier() const {
    return std::visit([](const auto& e) -> const QString& { return e.identifier; }, entry);
}

std::shared_ptr<DeviceSettingParameter> DeviceSettingParameterSerializedInfo::makeParameter(
    const QList<LocalizedStringTable>& tables) const {
    if (auto number = std::get_if<NumberParameter::SerializedInfo>(&entry)) {
        return std::make_shared<NumberParameter>(*number, tables);
    }
    if (auto boolean = std::get_if<BoolParameter::SerializedInfo>(&entry)) {
        return std::make_shared<BoolParameter>(*boolean, tables);
    }
    return std::make_shared<PickParameter>(std::get<PickParameter::SerializedInfo>(entry), tables);
}

} // namespace ambrel
