#pragma once

#include "model/connections/DeviceStatusElement.h"

#include <QList>

#include <memory>

namespace ambrel {

// What a status query found: the status lines, and the error that stopped
// the query from reading the device, if any (it is also the last line).
struct DeviceStatus {
    QList<DeviceStatusElement> elements;
    std::shared_ptr<const platform::Error> error;
};

} // namespace ambrel
