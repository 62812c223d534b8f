#pragma once

#include <QString>

namespace lunvik {

class TavrinKernelUsbDevice;

// The commands the simulator program takes on its standard input while it
// serves the device on the emulated USB bus: the kernel-side faults, one
// line each.
class KernelUsbCommands {
public:
    explicit KernelUsbCommands(TavrinKernelUsbDevice& device) : m_device(device) {}

    // One line for the program's help.
    static QString summary();
    // Carries out one command; the line to answer with.
    QString run(const QString& line);

private:
    TavrinKernelUsbDevice& m_device;
};

} // namespace lunvik
