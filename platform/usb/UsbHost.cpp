#include "platform/usb/UsbHost.h"

#include "platform/usb/LibusbHost.h"
#include "platform/usb/SocketUsbHost.h"

#include <mutex>

namespace platform {

namespace {

std::mutex& hostMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<UsbHost>& installedHost() {
    static std::shared_ptr<UsbHost> host;
    return host;
}

} // namespace

UsbHost::~UsbHost() = default;
UsbDevice::~UsbDevice() = default;
UsbInterface::~UsbInterface() = default;

std::shared_ptr<UsbHost> UsbHost::current() {
    std::lock_guard lock(hostMutex());
    if (!installedHost()) {
        // A device simulator stands in for the hardware when one is named.
        const QString socket = qEnvironmentVariable(SocketUsbHost::environmentVariable);
        if (!socket.isEmpty()) {
            installedHost() = std::make_shared<SocketUsbHost>(socket);
        } else {
            installedHost() = std::make_shared<LibusbHost>();
        }
    }
    return installedHost();
}

void UsbHost::setCurrent(std::shared_ptr<UsbHost> host) {
    std::lock_guard lock(hostMutex());
    installedHost() = std::move(host);
}

UsbHost::Scope::Scope(std::shared_ptr<UsbHost> host) {
    std::lock_guard lock(hostMutex());
    m_previous = std::exchange(installedHost(), std::move(host));
}

UsbHost::Scope::~Scope() {
    std::lock_guard lock(hostMutex());
    installedHost() = std::move(m_previous);
}

} // namespace platform
