#include "platform/ScriptCommand.h"

#include <vector>

namespace platform {

namespace {

thread_local std::vector<std::shared_ptr<ScriptCommand>> runningCommands;

} // namespace

ScriptCommand::ScriptCommand(const QString& name, CompletionHandler completion)
    : m_name(name), m_completion(std::move(completion)) {}

std::shared_ptr<ScriptCommand> ScriptCommand::make(const QString& name,
                                                   CompletionHandler completion) {
    return std::shared_ptr<ScriptCommand>(new ScriptCommand(name, std::move(completion)));
}

std::shared_ptr<ScriptCommand> ScriptCommand::current() {
    return runningCommands.empty() ? nullptr : runningCommands.back();
}

void ScriptCommand::execute(const std::function<QVariant()>& body) {
    auto self = shared_from_this();
    runningCommands.push_back(self);
    struct Pop {
        ~Pop() { runningCommands.pop_back(); }
    } pop;
    const QVariant result = body();
    if (!m_suspended) {
        finish(result);
    }
}

void ScriptCommand::suspendExecution() {
    if (!m_finished) {
        m_suspended = true;
    }
}

void ScriptCommand::resumeExecution(const QVariant& result) {
    if (!m_suspended || m_finished) {
        return;
    }
    m_suspended = false;
    finish(result);
}

void ScriptCommand::finish(const QVariant& result) {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_result = result;
    if (m_completion) {
        m_completion(*this);
    }
}

} // namespace platform
