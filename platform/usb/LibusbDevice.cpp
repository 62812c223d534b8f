#include "platform/usb/LibusbDevice.h"

#include "platform/usb/LibusbInterface.h"
#include "platform/usb/LibusbResult.h"

#include <libusb.h>

namespace platform {

namespace {

// The first alternate setting of a class in a configuration.
const libusb_interface_descriptor* firstOfClass(const libusb_config_descriptor* config,
                                                quint8 interfaceClass) {
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            if (interface.altsetting[a].bInterfaceClass == interfaceClass) {
                return &interface.altsetting[a];
            }
        }
    }
    return nullptr;
}

} // namespace

LibusbDevice::LibusbDevice(std::shared_ptr<LibusbSession> session, libusb_device* device)
    : m_session(std::move(session)), m_device(libusb_ref_device(device)) {}

LibusbDevice::~LibusbDevice() {
    close();
    libusb_unref_device(m_device);
}

UsbResult::Code LibusbDevice::open() {
    if (m_handle) {
        return UsbResult::success;
    }
    libusb_device_handle* raw = nullptr;
    const int result = libusb_open(m_device, &raw);
    if (result != LIBUSB_SUCCESS) {
        return LibusbResult::toUsbResult(result);
    }
    m_handle = std::make_shared<LibusbHandle>(m_session, raw);
    if (printerInterfaceHeldElsewhere()) {
        m_handle.reset();
        return UsbResult::exclusiveAccess;
    }
    // The kernel's printer driver lets go of the interface when we claim it and
    // gets it back when we release it.
    libusb_set_auto_detach_kernel_driver(raw, 1);
    return UsbResult::success;
}

bool LibusbDevice::printerInterfaceHeldElsewhere() const {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(m_device, &config) != LIBUSB_SUCCESS) {
        return false;
    }
    const libusb_interface_descriptor* printer = firstOfClass(config, printerClass);
    const int number = printer ? printer->bInterfaceNumber : -1;
    libusb_free_config_descriptor(config);
    if (number < 0) {
        return false;
    }
    // A kernel driver (the printer driver) is detached later; a claim by
    // another program shows as a busy interface while none is bound.
    if (libusb_kernel_driver_active(m_handle->get(), number) == 1) {
        return false;
    }
    const int claim = libusb_claim_interface(m_handle->get(), number);
    if (claim == LIBUSB_SUCCESS) {
        libusb_release_interface(m_handle->get(), number);
    }
    return claim == LIBUSB_ERROR_BUSY;
}

void LibusbDevice::close() {
    if (m_handle) {
        m_handle->close();
        m_handle.reset();
    }
}

UsbResult::Code LibusbDevice::configurationValue(quint8 index, quint8& value) {
    libusb_config_descriptor* config = nullptr;
    const int result = libusb_get_config_descriptor(m_device, index, &config);
    if (result != LIBUSB_SUCCESS) {
        return LibusbResult::toUsbResult(result);
    }
    value = config->bConfigurationValue;
    libusb_free_config_descriptor(config);
    return UsbResult::success;
}

UsbResult::Code LibusbDevice::setConfiguration(quint8 value) {
    if (!m_handle) {
        return UsbResult::notOpen;
    }
    // Setting the active configuration again would reset the device's state
    // and unbind the kernel's drivers for nothing.
    int current = -1;
    if (libusb_get_configuration(m_handle->get(), &current) == LIBUSB_SUCCESS && current == value) {
        return UsbResult::success;
    }
    return LibusbResult::toUsbResult(libusb_set_configuration(m_handle->get(), value));
}

std::unique_ptr<UsbInterface> LibusbDevice::findInterface(quint8 interfaceClass) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(m_device, &config) != LIBUSB_SUCCESS) {
        return nullptr;
    }
    std::unique_ptr<UsbInterface> found;
    if (const libusb_interface_descriptor* d = firstOfClass(config, interfaceClass)) {
        QList<UsbPipeProperties> pipes;
        QList<quint8> addresses;
        for (int e = 0; e < d->bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = d->endpoint[e];
            UsbPipeProperties p;
            p.direction = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? UsbDirection::in
                                                                           : UsbDirection::out;
            p.transferType = UsbTransferType(endpoint.bmAttributes & 0x03);
            p.endpointNumber = endpoint.bEndpointAddress & 0x0F;
            p.maxPacketSize = endpoint.wMaxPacketSize & 0x07FF;
            p.interval = endpoint.bInterval;
            pipes.append(p);
            addresses.append(endpoint.bEndpointAddress);
        }
        found = std::make_unique<LibusbInterface>(m_handle, d->bInterfaceNumber,
                                                  d->bAlternateSetting, pipes, addresses);
    }
    libusb_free_config_descriptor(config);
    return found;
}

UsbResult::Code LibusbDevice::reEnumerate() {
    if (!m_handle) {
        return UsbResult::notOpen;
    }
    const int result = libusb_reset_device(m_handle->get());
    // Not found: the reset made the device enumerate anew, which is the point.
    return result == LIBUSB_ERROR_NOT_FOUND ? UsbResult::success
                                            : LibusbResult::toUsbResult(result);
}

} // namespace platform
