#pragma once

#include <QByteArray>
#include <QString>

namespace lunvik {

// How the kernel shows a USB device with one printer-class interface (bulk
// IN endpoint 0x81, then bulk OUT endpoint 0x02) in sysfs and /dev, in the
// text form a umockdev test bed reads.
class UsbDeviceDescription {
public:
    static QString nodePath(int bus, int address);
    // The same port of the bus whatever the address.
    static QString sysfsPath(int bus);
    static QByteArray descriptors(quint16 vendor, quint16 product, quint16 maxPacketSize);
    static QByteArray text(int bus, int address, quint16 vendor, quint16 product,
                           quint16 maxPacketSize);
};

} // namespace lunvik
