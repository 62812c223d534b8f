#pragma once

#include "core/document/runs/RunPresenter.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/MaintenanceAction.h"
#include "model/descriptions/TransportType.h"

#include <functional>
#include <memory>
#include <optional>

namespace ambrel {
class DeviceConnection;
}

namespace kestrom {

// One of the model's maintenance actions, run like a print behind the
// progress sheet; success shows nothing.
class MaintenanceRun {
public:
    // Without a model or a transport nothing happens.
    static void perform(const std::shared_ptr<RunPresenter>& presenter,
                        const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                        std::optional<ambrel::TransportType> transportType,
                        const ambrel::MaintenanceAction& action);

    static void run(const std::shared_ptr<RunPresenter>& presenter,
                    std::shared_ptr<ambrel::DeviceConnection> connection,
                    const ambrel::MaintenanceAction& action, std::function<void()> ended = {});
};

} // namespace kestrom
