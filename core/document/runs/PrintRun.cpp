#include "core/document/runs/PrintRun.h"

#include "core/document/runs/ProgressiveRun.h"
#include "model/connections/DeviceConnection.h"
#include "model/errors/ConnectionError.h"
#include "platform/Progress.h"
#include "platform/compute/ForegroundWork.h"

namespace kestrom {

using ambrel::ConnectionError;

void PrintRun::printDocument(const std::shared_ptr<RunPresenter>& presenter,
                             const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                             std::optional<ambrel::TransportType> transportType, TaskMaker makeTask,
                             std::shared_ptr<platform::ScriptCommand> scriptCommand) {
    if (!presenter || !model || !transportType) {
        return;
    }
    run(presenter, model, model->newConnection(*transportType), std::move(makeTask),
        std::move(scriptCommand));
}

void PrintRun::run(const std::shared_ptr<RunPresenter>& presenter,
                   const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                   std::shared_ptr<ambrel::DeviceConnection> connection, TaskMaker makeTask,
                   std::shared_ptr<platform::ScriptCommand> scriptCommand,
                   std::function<void()> ended) {
    const bool fromScript = scriptCommand != nullptr;
    std::weak_ptr<RunPresenter> weakPresenter = presenter;
    auto operation = [connection, makeTask = std::move(makeTask)](
                         const std::shared_ptr<platform::Progress>& progress) {
        auto task = std::make_shared<ambrel::PrintTask>(makeTask());
        return ProgressiveRun::Work([connection, task, progress] {
            if (!connection) {
                throw ConnectionError(ConnectionError::Case::incorrectDeviceModel);
            }
            // The canvas's tiles wait while the print makes its picture.
            const platform::compute::ForegroundWork printing;
            try {
                connection->print(*task, progress);
            } catch (const platform::Error& error) {
                // A job the user stopped ends as a cancel, whatever the
                // transfer under way made of it (a device that did not answer
                // in time is no news then). Once the job can no longer be
                // stopped, its failures are told as they are.
                if (progress->isCancelled() && progress->isCancellable() &&
                    !ProgressiveRun::isUserCancellation(error)) {
                    throw ConnectionError(ConnectionError::Case::userCancelled);
                }
                throw;
            }
        });
    };
    auto finished = [weakPresenter, model, fromScript, ended](bool succeeded) {
        const auto shown = weakPresenter.lock();
        if (succeeded && !fromScript && shown && model && model->showsCompletionAlert()) {
            shown->showCompletionAlert(*model->completionAlertInfo(), [ended] {
                if (ended) {
                    ended();
                }
            });
            return;
        }
        if (ended) {
            ended();
        }
    };
    ProgressiveRun::start(weakPresenter, model ? model->printProgressTitle() : QString(),
                          std::move(scriptCommand), std::move(operation), std::move(finished));
}

} // namespace kestrom
