#pragma once

#include <QString>

namespace platform {

// Diagnostic lines for developers: one line each on standard error, no levels.
class Log {
public:
    static void line(const QString& message);
    // The same line followed by the current call stack, for states that should
    // not happen but are survivable.
    static void lineWithCallStack(const QString& message);
    // For states that cannot occur: reports and ends the process.
    [[noreturn]] static void fatal(const QString& message);

    static QString callStack(int skipFrames = 1);
};

} // namespace platform
