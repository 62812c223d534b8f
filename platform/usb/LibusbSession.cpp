#include "platform/usb/LibusbSession.h"

#include "platform/Log.h"

#include <libusb.h>

namespace platform {

LibusbSession::LibusbSession() {
    const int result = libusb_init(&m_context);
    if (result != LIBUSB_SUCCESS) {
        Log::line(QStringLiteral("USB is not available: %1")
                      .arg(QString::fromUtf8(libusb_error_name(result))));
        m_context = nullptr;
    }
}

LibusbSession::~LibusbSession() {
    if (m_context) {
        libusb_exit(m_context);
    }
}

} // namespace platform
