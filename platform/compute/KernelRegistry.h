#pragma once

#include "platform/compute/Kernel.h"

#include <QHash>
#include <QString>

#include <optional>

namespace platform {
class Bundle;
}

namespace platform::compute {

// The kernels each resource bundle provides. A library registers its kernels
// under its own bundle; a device's default library of a bundle is what was
// registered for it when the library is loaded.
class KernelRegistry {
public:
    static void registerKernel(const Bundle* bundle, const QString& name, Kernel kernel);
    // The kernels of a bundle, or none when it has none registered.
    static std::optional<QHash<QString, Kernel>> kernels(const Bundle* bundle);
};

} // namespace platform::compute
