#include "core/document/runs/ProgressiveRun.h"

#include "core/document/job/UserDefaultsKeys.h"
#include "core/document/runs/DeviceRunQueue.h"
#include "model/errors/ConnectionError.h"
#include "platform/CancellationError.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"

#include <mutex>
#include <vector>

namespace kestrom {

namespace {

using ambrel::ConnectionError;

// The progress of every run that has not ended, for cancelAll().
std::mutex& runningMutex() {
    static std::mutex m;
    return m;
}

std::vector<std::weak_ptr<platform::Progress>>& running() {
    static std::vector<std::weak_ptr<platform::Progress>> list;
    return list;
}

void forget(const std::shared_ptr<platform::Progress>& progress) {
    std::lock_guard lock(runningMutex());
    std::erase_if(running(), [&](const std::weak_ptr<platform::Progress>& p) {
        const auto held = p.lock();
        return !held || held == progress;
    });
}

struct Run {
    std::weak_ptr<RunPresenter> presenter;
    QString title;
    std::shared_ptr<platform::ScriptCommand> command;
    ProgressiveRun::Operation operation;
    ProgressiveRun::Finished finished;
    std::shared_ptr<platform::Progress> progress;
};

void notifyFinished(const std::shared_ptr<Run>& run, bool succeeded) {
    forget(run->progress);
    if (run->finished) {
        run->finished(succeeded);
    }
}

// The result step: resume the script, take the sheet away, report a failure.
void finish(const std::shared_ptr<Run>& run, std::shared_ptr<const platform::Error> error) {
    // The script's reply goes out when it is resumed, so its error is set first.
    if (run->command) {
        if (error) {
            run->command->setScriptErrorNumber(int(error->code()));
            run->command->setScriptErrorString(error->localizedDescription());
        }
        run->command->resumeExecution(QVariant());
    }
    const std::shared_ptr<RunPresenter> presenter = run->presenter.lock();
    if (presenter) {
        presenter->dismissProgressSheet();
    }
    if (error && !run->command && presenter && !ProgressiveRun::isUserCancellation(*error)) {
        if (presenter->hasWindow()) {
            presenter->beep();
        }
        presenter->presentError(*error);
    }
    notifyFinished(run, !error);
}

std::shared_ptr<const platform::Error> asPlatformError(const std::exception& e) {
    platform::Error::UserInfo info;
    info.localizedDescription = QString::fromLocal8Bit(e.what());
    return std::make_shared<platform::Error>(QStringLiteral("LunvikRunError"), 1, info);
}

void perform(const std::shared_ptr<Run>& run) {
    ProgressiveRun::Work work;
    try {
        work = run->operation(run->progress);
    } catch (const platform::Error& e) {
        finish(run, e.clone());
        return;
    }
    if (!work) {
        finish(run, nullptr);
        return;
    }
    DeviceRunQueue::run([run, work = std::move(work)] {
        std::shared_ptr<const platform::Error> error;
        try {
            work();
        } catch (const platform::Error& e) {
            error = e.clone();
        } catch (const std::exception& e) {
            platform::Log::line(QStringLiteral("device run failed: ") +
                                QString::fromLocal8Bit(e.what()));
            error = asPlatformError(e);
        }
        platform::MainThread::post([run, error] { finish(run, error); });
    });
}

void refuse(const std::shared_ptr<Run>& run) {
    const ConnectionError refused(ConnectionError::Case::scriptingPrintIsNotAllowedByUser);
    run->command->setScriptErrorNumber(ProgressiveRun::scriptingRefusedErrorNumber);
    run->command->setScriptErrorString(refused.localizedDescription());
    run->command->resumeExecution(QVariant());
    // The sheet went down before the question; it must not stay behind.
    if (const auto presenter = run->presenter.lock()) {
        presenter->dismissProgressSheet();
    }
    notifyFinished(run, false);
}

bool scriptingAccepted() {
    return platform::UserDefaults::standard().boolValue(
        UserDefaultsKeys::scriptingPrintHasBeenAccepted().key());
}

void acceptAlways() {
    platform::UserDefaults::standard().setBool(
        UserDefaultsKeys::scriptingPrintHasBeenAccepted().key(), true);
}

} // namespace

void ProgressiveRun::cancelAll() {
    std::vector<std::shared_ptr<platform::Progress>> progresses;
    {
        std::lock_guard lock(runningMutex());
        for (const auto& progress : running()) {
            if (auto held = progress.lock()) {
                progresses.push_back(std::move(held));
            }
        }
    }
    for (const auto& progress : progresses) {
        progress->cancel();
    }
}

bool ProgressiveRun::isUserCancellation(const platform::Error& error) {
    return ConnectionError::is(error, ConnectionError::Case::userCancelled) ||
           platform::CancellationError::isCancellation(error);
}

void ProgressiveRun::start(std::weak_ptr<RunPresenter> presenter, const QString& progressTitle,
                           std::shared_ptr<platform::ScriptCommand> scriptCommand,
                           Operation operation, Finished finished) {
    auto run = std::make_shared<Run>();
    run->presenter = std::move(presenter);
    run->title = progressTitle;
    run->command = std::move(scriptCommand);
    run->operation = std::move(operation);
    run->finished = std::move(finished);
    run->progress = std::make_shared<platform::Progress>();
    {
        std::lock_guard lock(runningMutex());
        running().push_back(run->progress);
    }

    if (run->command) {
        run->command->suspendExecution();
    }
    const std::shared_ptr<RunPresenter> shown = run->presenter.lock();
    if (shown) {
        shown->showProgressSheet(run->title, run->progress);
    }
    if (!shown || !shown->hasWindow()) {
        const ConnectionError refused(ConnectionError::Case::scriptingPrintIsNotAllowedByUser);
        finish(run, refused.clone());
        return;
    }
    if (!run->command || scriptingAccepted()) {
        perform(run);
        return;
    }
    shown->askScriptingAcceptance([run](bool accepted, bool always) {
        if (!accepted) {
            refuse(run);
            return;
        }
        if (always) {
            acceptAlways();
        }
        perform(run);
    });
}

} // namespace kestrom
