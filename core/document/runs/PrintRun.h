#pragma once

#include "core/document/runs/RunPresenter.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/TransportType.h"
#include "platform/ScriptCommand.h"

#include <functional>
#include <memory>
#include <optional>

namespace ambrel {
class DeviceConnection;
}

namespace kestrom {

// Printing a document: its job is checked and turned into a print task, sent
// through a device connection behind the progress sheet, and a successful
// print from the user interface ends with the model's completion alert.
class PrintRun {
public:
    // Makes the print task (the document's makePrintTask()); throws when
    // the job cannot be printed.
    using TaskMaker = std::function<ambrel::PrintTask()>;

    // The print action: without a window, a model or a transport nothing
    // happens; otherwise a connection is made for the model and the run starts.
    static void printDocument(const std::shared_ptr<RunPresenter>& presenter,
                              const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                              std::optional<ambrel::TransportType> transportType,
                              TaskMaker makeTask,
                              std::shared_ptr<platform::ScriptCommand> scriptCommand = {});

    // The run itself over a given connection. The task is made when the run
    // starts, on the main thread, so later edits do not reach it.
    static void run(const std::shared_ptr<RunPresenter>& presenter,
                    const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                    std::shared_ptr<ambrel::DeviceConnection> connection, TaskMaker makeTask,
                    std::shared_ptr<platform::ScriptCommand> scriptCommand = {},
                    std::function<void()> ended = {});
};

} // namespace kestrom
