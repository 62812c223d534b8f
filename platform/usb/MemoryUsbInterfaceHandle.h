#pragma once

#include "platform/usb/MemoryUsbDevice.h"
#include "platform/usb/UsbInterface.h"

#include <memory>

namespace platform {

// The host's view of a MemoryUsbDevice's printer interface, found through one
// device handle.
class MemoryUsbInterfaceHandle : public UsbInterface {
public:
    MemoryUsbInterfaceHandle(std::shared_ptr<MemoryUsbDevice> device, int generation,
                             quint64 owner);
    ~MemoryUsbInterfaceHandle() override;

    UsbResult::Code open() override;
    void close() override;
    UsbResult::Code pipeProperties(quint8 pipe, UsbPipeProperties& properties) override;
    UsbResult::Code writePipe(quint8 pipe, const QByteArray& data,
                              std::chrono::milliseconds noDataTimeout,
                              std::chrono::milliseconds completionTimeout) override;
    UsbResult::Code readPipe(quint8 pipe, qsizetype maxLength, QByteArray& data,
                             std::chrono::milliseconds noDataTimeout,
                             std::chrono::milliseconds completionTimeout) override;
    UsbResult::Code clearPipeStallBothEnds(quint8 pipe) override;

private:
    std::shared_ptr<MemoryUsbDevice> m_device;
    int m_generation;
    quint64 m_owner;
    bool m_open = false;
};

} // namespace platform
