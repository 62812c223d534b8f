#pragma once

// This process's resident memory as the kernel counts it, for the benchmarks
// that report what a print adds.

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <vector>

namespace bench {

// A field of /proc/self/status in kilobytes ("VmRSS:", "VmHWM:"); -1 when
// it cannot be read.
inline qint64 statusKilobytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// Lets the high-water mark start again from what is resident now; false
// when the kernel does not allow it.
inline bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    const bool reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    return reset;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace bench
