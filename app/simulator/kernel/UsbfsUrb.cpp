#include "app/simulator/kernel/UsbfsUrb.h"

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <cstring>

namespace lunvik {

namespace {

usbdevfs_urb* urbOf(UMockdevIoctlData* data) {
    return reinterpret_cast<usbdevfs_urb*>(data->data);
}

} // namespace

std::shared_ptr<UsbfsUrb> UsbfsUrb::fromSubmission(UMockdevIoctlClient* client) {
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    std::shared_ptr<UsbfsUrb> urb(new UsbfsUrb);
    urb->m_urb = umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_urb), nullptr);
    if (!urb->m_urb) {
        return nullptr;
    }
    const usbdevfs_urb* copy = urbOf(urb->m_urb);
    urb->m_endpoint = copy->endpoint;
    urb->m_type = copy->type;
    urb->m_length = copy->buffer_length;
    if (urb->m_length > 0) {
        urb->m_buffer = umockdev_ioctl_data_resolve(
            urb->m_urb, G_STRUCT_OFFSET(usbdevfs_urb, buffer), gsize(urb->m_length), nullptr);
        if (!urb->m_buffer) {
            return nullptr;
        }
    }
    return urb;
}

UsbfsUrb::~UsbfsUrb() {
    if (m_buffer) {
        g_object_unref(m_buffer);
    }
    if (m_urb) {
        g_object_unref(m_urb);
    }
}

unsigned long UsbfsUrb::clientAddress() const {
    return m_urb->client_addr;
}

QByteArray UsbfsUrb::outData() const {
    if (!m_buffer) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(m_buffer->data), m_length);
}

void UsbfsUrb::finish(int status, const QByteArray& inData, int transferred) {
    usbdevfs_urb* copy = urbOf(m_urb);
    copy->status = status;
    if (isIn()) {
        const int count = int(std::min<qsizetype>(inData.size(), m_length));
        if (count > 0) {
            std::memcpy(m_buffer->data, inData.constData(), size_t(count));
        }
        copy->actual_length = count;
    } else {
        copy->actual_length = transferred;
    }
}

void UsbfsUrb::hand(UMockdevIoctlData* resultPointer) {
    umockdev_ioctl_data_set_ptr(resultPointer, 0, m_urb);
}

} // namespace lunvik
