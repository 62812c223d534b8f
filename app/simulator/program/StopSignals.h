#pragma once

namespace lunvik {

// SIGINT and SIGTERM, kept for the program to take when it is ready instead
// of being caught by a handler: blocked in the thread that makes this object
// and in every thread started from it afterwards, and readable on a file
// descriptor. A signal that comes before the program waits for it stays
// pending, and none is taken by a library's thread while the program waits
// elsewhere; make it before anything that starts threads.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();

    // Readable once one of the signals is pending; -1 when none could be
    // made, and then the signals are left to end the program as by default.
    int fileDescriptor() const { return m_descriptor; }

    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    int m_descriptor = -1;
};

} // namespace lunvik
