#pragma once

// What the test process itself takes, from /proc/self/status.

#include <QtGlobal>

class ProcessMemory {
public:
    // Bytes of address space in use (VmSize); -1 if unread.
    static qint64 addressSpaceInUse();
    // Bytes resident now (VmRSS), and the most resident since the start or
    // the last reset (VmHWM); -1 if unread.
    static qint64 resident();
    static qint64 residentPeak();
    // Lets the peak start again from what is resident now; false when the
    // kernel does not allow it.
    static bool resetResidentPeak();
};
