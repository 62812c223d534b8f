#include "platform/tests/support/ChildProcesses.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <unistd.h>

namespace {

// The fields of /proc/<pid>/stat after the command name, which may hold
// blanks and parentheses itself.
QList<QByteArray> statFields(pid_t pid, QByteArray* command = nullptr) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray line = file.readAll();
    const qsizetype open = line.indexOf('(');
    const qsizetype close = line.lastIndexOf(')');
    if (open < 0 || close < open) {
        return {};
    }
    if (command) {
        *command = line.mid(open + 1, close - open - 1);
    }
    return line.mid(close + 2).split(' ');
}

} // namespace

std::vector<pid_t> ChildProcesses::named(pid_t parent, const QByteArray& name) {
    std::vector<pid_t> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number) {
            continue;
        }
        QByteArray command;
        const QList<QByteArray> fields = statFields(pid, &command);
        // Field 3 is the state, 4 the parent; a zombie has ended.
        if (fields.size() > 2 && fields[0] != "Z" && fields[1].toInt() == parent &&
            !command.isEmpty() && name.startsWith(command)) {
            children.push_back(pid);
        }
    }
    return children;
}

std::vector<pid_t> ChildProcesses::pictureWorkers(pid_t parent) {
    // The kernel keeps 15 characters of a command's name.
    return named(parent, QByteArrayLiteral("lunvik-picture-worker"));
}

qint64 ChildProcesses::processorMilliseconds(pid_t pid) {
    const QList<QByteArray> fields = statFields(pid);
    // Fields 14 and 15 of the whole line: user and system time, in ticks.
    if (fields.size() < 13) {
        return -1;
    }
    const qint64 ticks = fields[11].toLongLong() + fields[12].toLongLong();
    return ticks * 1000 / sysconf(_SC_CLK_TCK);
}

qint64 ChildProcesses::busyMilliseconds(const std::vector<pid_t>& pids, int interval) {
    std::vector<qint64> before;
    for (const pid_t pid : pids) {
        before.push_back(processorMilliseconds(pid));
    }
    QThread::msleep(interval);
    qint64 busy = 0;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const qint64 after = processorMilliseconds(pids[i]);
        if (before[i] >= 0 && after >= before[i]) {
            busy += after - before[i];
        }
    }
    return busy;
}
