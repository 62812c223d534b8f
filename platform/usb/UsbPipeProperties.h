#pragma once

#include <QtGlobal>

namespace platform {

enum class UsbDirection { out, in };
enum class UsbTransferType { control, isochronous, bulk, interrupt };

// What an endpoint descriptor says about one pipe of an interface.
struct UsbPipeProperties {
    UsbDirection direction = UsbDirection::out;
    UsbTransferType transferType = UsbTransferType::bulk;
    quint8 endpointNumber = 0;
    quint16 maxPacketSize = 0;
    quint8 interval = 0;
};

} // namespace platform
