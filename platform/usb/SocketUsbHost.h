#pragma once

#include "platform/usb/UsbHost.h"

#include <QString>

namespace platform {

// A USB host whose only device is a simulator serving a local socket, for
// running the application without hardware. UsbHost::current() picks it when
// the environment variable LUNVIK_USB_SIMULATOR_SOCKET names the socket. The
// device answers to any vendor and product and is found while the simulator
// accepts connections; its printer interface has pipe 1 IN and pipe 2 OUT.
class SocketUsbHost : public UsbHost {
public:
    static constexpr const char* environmentVariable = "LUNVIK_USB_SIMULATOR_SOCKET";

    explicit SocketUsbHost(QString socketPath);

    const QString& socketPath() const { return m_path; }

    std::unique_ptr<UsbDevice> findDevice(quint32 vendorIdentifier,
                                          quint32 productIdentifier) override;
    std::chrono::milliseconds reEnumerationDelay() const override;

private:
    QString m_path;
};

} // namespace platform
