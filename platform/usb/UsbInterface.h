#pragma once

#include "platform/usb/UsbPipeProperties.h"
#include "platform/usb/UsbResult.h"

#include <QByteArray>

#include <chrono>

namespace platform {

// One interface of a device, found through UsbDevice::findInterface. Its pipes
// are numbered from 1 in the order of the interface's endpoint descriptors.
// Transfers block the calling thread until they end or time out. Destroying
// an open interface closes it.
class UsbInterface {
public:
    virtual ~UsbInterface();

    // Claims the interface for this process alone; a kernel driver bound to it
    // is detached first (and attached again by close()).
    virtual UsbResult::Code open() = 0;
    virtual void close() = 0;

    // Readable before the interface is open.
    virtual UsbResult::Code pipeProperties(quint8 pipe, UsbPipeProperties& properties) = 0;

    // Writes all of the data. noDataTimeout bounds the wait for the device to
    // take anything; completionTimeout bounds the whole transfer.
    virtual UsbResult::Code writePipe(quint8 pipe, const QByteArray& data,
                                      std::chrono::milliseconds noDataTimeout,
                                      std::chrono::milliseconds completionTimeout) = 0;
    // One read request of at most maxLength bytes; data receives what arrived
    // (possibly nothing). A request that gets nothing in time answers
    // UsbResult::transactionTimeout.
    virtual UsbResult::Code readPipe(quint8 pipe, qsizetype maxLength, QByteArray& data,
                                     std::chrono::milliseconds noDataTimeout,
                                     std::chrono::milliseconds completionTimeout) = 0;
    // Clears a halt on the device's endpoint and resets the host's side.
    virtual UsbResult::Code clearPipeStallBothEnds(quint8 pipe) = 0;
};

} // namespace platform
