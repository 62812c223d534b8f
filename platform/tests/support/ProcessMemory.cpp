#include "ProcessMemory.h"

#include <QFile>

qint64 ProcessMemory::addressSpaceInUse() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:")) {
            return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return -1;
}
