#include "platform/usb/LibusbInterface.h"

#include "platform/usb/LibusbResult.h"

#include <libusb.h>

#include <utility>

namespace platform {

LibusbInterface::LibusbInterface(std::shared_ptr<LibusbHandle> handle, int number,
                                 int alternateSetting, QList<UsbPipeProperties> pipes,
                                 QList<quint8> endpointAddresses)
    : m_handle(std::move(handle)), m_number(number), m_alternateSetting(alternateSetting),
      m_pipes(std::move(pipes)), m_addresses(std::move(endpointAddresses)) {}

LibusbInterface::~LibusbInterface() {
    close();
}

UsbResult::Code LibusbInterface::open() {
    if (!handle()) {
        return UsbResult::notOpen;
    }
    if (m_claimed) {
        return UsbResult::success;
    }
    int result = libusb_claim_interface(handle(), m_number);
    if (result != LIBUSB_SUCCESS) {
        return LibusbResult::toUsbResult(result);
    }
    m_claimed = true;
    if (m_alternateSetting != 0) {
        result = libusb_set_interface_alt_setting(handle(), m_number, m_alternateSetting);
        if (result != LIBUSB_SUCCESS) {
            close();
            return LibusbResult::toUsbResult(result);
        }
    }
    return UsbResult::success;
}

void LibusbInterface::close() {
    // A closed device has given up its claim with its handle.
    if (std::exchange(m_claimed, false) && handle()) {
        libusb_release_interface(handle(), m_number);
    }
}

UsbResult::Code LibusbInterface::pipeProperties(quint8 pipe, UsbPipeProperties& properties) {
    if (!isPipe(pipe)) {
        return UsbResult::unknownPipe;
    }
    properties = m_pipes[pipe - 1];
    return UsbResult::success;
}

int LibusbInterface::transfer(quint8 pipe, unsigned char* bytes, int length, int& transferred,
                              std::chrono::milliseconds timeout) {
    const unsigned int ms = unsigned(timeout.count());
    const unsigned char address = m_addresses[pipe - 1];
    if (m_pipes[pipe - 1].transferType == UsbTransferType::interrupt) {
        return libusb_interrupt_transfer(handle(), address, bytes, length, &transferred, ms);
    }
    return libusb_bulk_transfer(handle(), address, bytes, length, &transferred, ms);
}

UsbResult::Code LibusbInterface::writePipe(quint8 pipe, const QByteArray& data,
                                           std::chrono::milliseconds,
                                           std::chrono::milliseconds completionTimeout) {
    if (!m_claimed || !handle()) {
        return UsbResult::notOpen;
    }
    if (!isPipe(pipe) || m_pipes[pipe - 1].direction != UsbDirection::out) {
        return UsbResult::unknownPipe;
    }
    QByteArray copy = data; // libusb takes a mutable buffer
    int transferred = 0;
    const int result = transfer(pipe, reinterpret_cast<unsigned char*>(copy.data()),
                                int(copy.size()), transferred, completionTimeout);
    return LibusbResult::toUsbResult(result);
}

UsbResult::Code LibusbInterface::readPipe(quint8 pipe, qsizetype maxLength, QByteArray& data,
                                          std::chrono::milliseconds,
                                          std::chrono::milliseconds completionTimeout) {
    data.clear();
    if (!m_claimed || !handle()) {
        return UsbResult::notOpen;
    }
    if (!isPipe(pipe) || m_pipes[pipe - 1].direction != UsbDirection::in || maxLength < 0) {
        return UsbResult::unknownPipe;
    }
    data.resize(maxLength);
    int transferred = 0;
    const int result = transfer(pipe, reinterpret_cast<unsigned char*>(data.data()), int(maxLength),
                                transferred, completionTimeout);
    data.resize(transferred);
    // Bytes that arrived before a time-out are the device's answer: keep them.
    if (result == LIBUSB_ERROR_TIMEOUT && transferred > 0) {
        return UsbResult::success;
    }
    return LibusbResult::toUsbResult(result);
}

UsbResult::Code LibusbInterface::clearPipeStallBothEnds(quint8 pipe) {
    if (!m_claimed || !handle()) {
        return UsbResult::notOpen;
    }
    if (!isPipe(pipe)) {
        return UsbResult::unknownPipe;
    }
    return LibusbResult::toUsbResult(libusb_clear_halt(handle(), m_addresses[pipe - 1]));
}

} // namespace platform
