#pragma once

#include "platform/usb/UsbDevice.h"

#include <chrono>
#include <memory>

namespace platform {

// The process's access to USB devices. The application uses the libusb
// backend; tests install an in-memory one (MemoryUsbHost) with a Scope, so
// the code under test keeps calling UsbHost::current().
class UsbHost {
public:
    virtual ~UsbHost();

    // The first attached device with the identifiers; nothing when none.
    virtual std::unique_ptr<UsbDevice> findDevice(quint32 vendorIdentifier,
                                                  quint32 productIdentifier) = 0;
    // How long a re-enumerated device needs before it can be found again.
    virtual std::chrono::milliseconds reEnumerationDelay() const = 0;

    // The backend in use: the one set last, else a device simulator's socket
    // when LUNVIK_USB_SIMULATOR_SOCKET names one (SocketUsbHost), else libusb.
    static std::shared_ptr<UsbHost> current();
    // Replaces the backend for the whole process; nothing goes back to libusb.
    static void setCurrent(std::shared_ptr<UsbHost> host);

    // Installs a backend for its lifetime and restores the previous one.
    class Scope {
    public:
        explicit Scope(std::shared_ptr<UsbHost> host);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::shared_ptr<UsbHost> m_previous;
    };
};

} // namespace platform
