#pragma once

#include "model/parameters/BoolParameter.h"
#include "model/parameters/NumberParameter.h"
#include "model/parameters/PickParameter.h"

#include <variant>

namespace ambrel {

// One decoded setting entry of a description, of any of the three kinds.
struct DeviceSettingParameterSerializedInfo {
    std::variant<NumberParameter::SerializedInfo, BoolParameter::SerializedInfo,
                 PickParameter::SerializedInfo>
        entry;

    const QString& identifier() const;
    // A new parameter of the entry's kind with its texts from the tables.
    std::shared_ptr<DeviceSettingParameter>
    makeParameter(const QList<LocalizedStringTable>& tables) const;
};

} // namespace ambrel
