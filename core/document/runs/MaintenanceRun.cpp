#include "core/document/runs/MaintenanceRun.h"

#include "core/document/runs/ProgressiveRun.h"
#include "model/connections/DeviceConnection.h"
#include "model/errors/ConnectionError.h"

namespace kestrom {

void MaintenanceRun::perform(const std::shared_ptr<RunPresenter>& presenter,
                             const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                             std::optional<ambrel::TransportType> transportType,
                             const ambrel::MaintenanceAction& action) {
    if (!presenter || !model || !transportType) {
        return;
    }
    run(presenter, model->newConnection(*transportType), action);
}

void MaintenanceRun::run(const std::shared_ptr<RunPresenter>& presenter,
                         std::shared_ptr<ambrel::DeviceConnection> connection,
                         const ambrel::MaintenanceAction& action, std::function<void()> ended) {
    auto operation = [connection, action](const std::shared_ptr<platform::Progress>& progress) {
        return ProgressiveRun::Work([connection, action, progress] {
            if (!connection) {
                throw ambrel::ConnectionError(ambrel::ConnectionError::Case::incorrectDeviceModel);
            }
            connection->performMaintenanceAction(action, progress);
        });
    };
    ProgressiveRun::start(presenter, action.progressTitle, nullptr, std::move(operation),
                          [ended](bool) {
                              if (ended) {
                                  ended();
                              }
                          });
}

} // namespace kestrom
