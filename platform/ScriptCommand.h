#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace platform {

// The script command being executed (a D-Bus call of the scripting
// interface). While its body runs it is current(); the document asks for it
// to report script errors, and a long operation suspends it and resumes it
// later with its result. The completion handler runs once, when the body
// returns without suspending or when the command is resumed.
class ScriptCommand : public std::enable_shared_from_this<ScriptCommand> {
public:
    using CompletionHandler = std::function<void(const ScriptCommand&)>;

    static std::shared_ptr<ScriptCommand> make(const QString& name,
                                               CompletionHandler completion = {});
    // The command whose body is running on this thread, or nothing.
    static std::shared_ptr<ScriptCommand> current();

    // Runs the body as the current command; its result becomes the
    // command's result unless the body suspended the command.
    void execute(const std::function<QVariant()>& body);

    void suspendExecution();
    // Ends a suspended command with a result; ignored when not suspended.
    void resumeExecution(const QVariant& result);
    bool isSuspended() const { return m_suspended; }
    bool isFinished() const { return m_finished; }

    const QString& name() const { return m_name; }
    QVariant result() const { return m_result; }
    int scriptErrorNumber() const { return m_errorNumber; }
    void setScriptErrorNumber(int number) { m_errorNumber = number; }
    QString scriptErrorString() const { return m_errorString; }
    void setScriptErrorString(const QString& text) { m_errorString = text; }
    bool hasError() const { return m_errorNumber != 0; }

private:
    ScriptCommand(const QString& name, CompletionHandler completion);
    void finish(const QVariant& result);

    QString m_name;
    CompletionHandler m_completion;
    QVariant m_result;
    int m_errorNumber = 0;
    QString m_errorString;
    bool m_suspended = false;
    bool m_finished = false;
};

} // namespace platform
