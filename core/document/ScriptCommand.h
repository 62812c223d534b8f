#pragma once

#include <QString>

namespace kestrom {

// The script command a device run was started by. The scripting side fills
// it in; runs started from the user interface have none.
class ScriptCommand {
public:
    virtual ~ScriptCommand() = default;

    // The script waits for the run's reply until the command is resumed.
    virtual void suspendExecution() = 0;
    virtual void resumeExecution() = 0;
    virtual void setScriptError(qint64 number, const QString& text) = 0;
};

} // namespace kestrom
