#include "ProcessMemory.h"

#include <QFile>

namespace {

// A line of /proc/self/status in bytes, such as "VmSize:".
qint64 statusBytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong() *
                   1024;
        }
    }
    return -1;
}

} // namespace

qint64 ProcessMemory::addressSpaceInUse() {
    return statusBytes("VmSize:");
}

qint64 ProcessMemory::resident() {
    return statusBytes("VmRSS:");
}

qint64 ProcessMemory::residentPeak() {
    return statusBytes("VmHWM:");
}

bool ProcessMemory::resetResidentPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
