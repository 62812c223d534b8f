#pragma once

// The processes a process started, and the processor time a process took,
// from /proc: to find the program's picture workers and see whether they
// are busy.

#include <QByteArray>

#include <sys/types.h>

#include <vector>

class ChildProcesses {
public:
    // The running children of the process whose command name is the name.
    static std::vector<pid_t> named(pid_t parent, const QByteArray& name);
    // The picture workers of the process.
    static std::vector<pid_t> pictureWorkers(pid_t parent);
    // Milliseconds of processor time the process took; -1 when it is gone.
    static qint64 processorMilliseconds(pid_t pid);
    // Milliseconds of processor time the processes take together over the
    // interval, the ones that end meanwhile counting until then.
    static qint64 busyMilliseconds(const std::vector<pid_t>& pids, int interval);
};
