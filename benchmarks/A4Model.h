#pragma once

// The A4 model the prints here are made for, as the plug-in describes it.

#include "app/tavrin/TavrinConnect.h"
#include "model/descriptions/DeviceDescriptor.h"

#include <memory>

namespace bench {

inline std::shared_ptr<const ambrel::DeviceDescriptor> a4Model() {
    const lunvik::TavrinConnect plugin(lunvik::TavrinConnect::Region::worldwide);
    for (const auto& d : plugin.deviceDescriptors()) {
        if (d->modelName() == lunvik::TavrinConnect::worldwideModelName) {
            return d;
        }
    }
    return nullptr;
}

} // namespace bench
