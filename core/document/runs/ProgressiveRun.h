#pragma once

#include "core/document/runs/RunPresenter.h"
#include "platform/ScriptCommand.h"

#include <QString>

#include <functional>
#include <memory>

namespace platform {
class Error;
class Progress;
} // namespace platform

namespace kestrom {

// One long device operation of a document: the progress sheet comes down,
// the blocking work runs on a worker thread, and in one step on the main
// thread the sheet goes away and a failure is shown (or handed back to the
// script that started the run). The run's progress is its cancellation token.
class ProgressiveRun {
public:
    // The blocking work; runs on a worker thread and throws platform::Error.
    using Work = std::function<void()>;
    // Called on the main thread with the run's progress; gives the work, or
    // throws platform::Error to end the run at once with that error.
    using Operation = std::function<Work(const std::shared_ptr<platform::Progress>&)>;
    // Called on the main thread when the run has ended, result step included.
    using Finished = std::function<void(bool succeeded)>;

    // Returns at once. The presenter is only borrowed: when its window is
    // gone by the time the run ends, nothing is shown.
    static void start(std::weak_ptr<RunPresenter> presenter, const QString& progressTitle,
                      std::shared_ptr<platform::ScriptCommand> scriptCommand, Operation operation,
                      Finished finished = {});

    // Cancels every run still going, so that quitting does not wait for a
    // device job to finish.
    static void cancelAll();

    // A user's cancel, whichever way it was reported; never shown.
    static bool isUserCancellation(const platform::Error& error);

    // The script error number of a refused script run.
    static constexpr qint64 scriptingRefusedErrorNumber = 403;
};

} // namespace kestrom
