#pragma once

#include "platform/usb/LibusbHandle.h"
#include "platform/usb/UsbInterface.h"

#include <QList>

#include <memory>

struct libusb_device_handle;

namespace platform {

// An interface of a LibusbDevice. libusb has a single time-out per transfer:
// the completion time-out bounds it.
class LibusbInterface : public UsbInterface {
public:
    LibusbInterface(std::shared_ptr<LibusbHandle> handle, int number, int alternateSetting,
                    QList<UsbPipeProperties> pipes, QList<quint8> endpointAddresses);
    ~LibusbInterface() override;

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
    bool isPipe(quint8 pipe) const { return pipe >= 1 && pipe <= m_pipes.size(); }
    // The device's handle, nothing once the device was closed.
    libusb_device_handle* handle() const { return m_handle ? m_handle->get() : nullptr; }
    int transfer(quint8 pipe, unsigned char* bytes, int length, int& transferred,
                 std::chrono::milliseconds timeout);

    std::shared_ptr<LibusbHandle> m_handle;
    int m_number;
    int m_alternateSetting;
    QList<UsbPipeProperties> m_pipes;
    QList<quint8> m_addresses;
    bool m_claimed = false;
};

} // namespace platform
