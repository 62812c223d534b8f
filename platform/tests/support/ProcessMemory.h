#pragma once

// What the test process itself takes, from /proc/self/status.

#include <QtGlobal>

class ProcessMemory {
public:
    // Bytes of address space in use (VmSize); -1 if unread.
    static qint64 addressSpaceInUse();
};
