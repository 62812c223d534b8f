#include "platform/usb/MemoryUsbInterfaceHandle.h"

namespace platform {

MemoryUsbInterfaceHandle::MemoryUsbInterfaceHandle(std::shared_ptr<MemoryUsbDevice> device,
                                                   int generation, quint64 owner)
    : m_device(std::move(device)), m_generation(generation), m_owner(owner) {}

MemoryUsbInterfaceHandle::~MemoryUsbInterfaceHandle() {
    close();
}

UsbResult::Code MemoryUsbInterfaceHandle::open() {
    const UsbResult::Code result = m_device->openInterface(m_generation, m_owner);
    m_open = m_open || result == UsbResult::success;
    return result;
}

void MemoryUsbInterfaceHandle::close() {
    if (m_open) {
        m_open = false;
        m_device->closeInterface(m_generation, m_owner);
    }
}

UsbResult::Code MemoryUsbInterfaceHandle::pipeProperties(quint8 pipe,
                                                         UsbPipeProperties& properties) {
    return m_device->pipeProperties(m_generation, pipe, properties);
}

UsbResult::Code MemoryUsbInterfaceHandle::writePipe(quint8 pipe, const QByteArray& data,
                                                    std::chrono::milliseconds,
                                                    std::chrono::milliseconds) {
    return m_device->writePipe(m_generation, m_owner, pipe, data);
}

UsbResult::Code MemoryUsbInterfaceHandle::readPipe(quint8 pipe, qsizetype maxLength,
                                                   QByteArray& data, std::chrono::milliseconds,
                                                   std::chrono::milliseconds) {
    return m_device->readPipe(m_generation, m_owner, pipe, maxLength, data);
}

UsbResult::Code MemoryUsbInterfaceHandle::clearPipeStallBothEnds(quint8 pipe) {
    return m_device->clearPipeStall(m_generation, m_owner, pipe);
}

} // namespace platform
