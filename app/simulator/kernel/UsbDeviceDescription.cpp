#include "app/simulator/kernel/UsbDeviceDescription.h"

namespace lunvik {

namespace {

void put16(QByteArray& bytes, quint16 value) {
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

} // namespace

QString UsbDeviceDescription::nodePath(int bus, int address) {
    return QStringLiteral("/dev/bus/usb/%1/%2")
        .arg(bus, 3, 10, QLatin1Char('0'))
        .arg(address, 3, 10, QLatin1Char('0'));
}

QString UsbDeviceDescription::sysfsPath(int bus) {
    return QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb%1/%1-1").arg(bus);
}

QByteArray UsbDeviceDescription::descriptors(quint16 vendor, quint16 product,
                                             quint16 maxPacketSize) {
    QByteArray d;
    // Device: USB 2.0, class from the interface, 64-byte control packets,
    // one configuration.
    d.append("\x12\x01", 2);
    put16(d, 0x0200);
    d.append("\x00\x00\x00\x40", 4);
    put16(d, vendor);
    put16(d, product);
    put16(d, 0x0100);
    d.append("\x01\x02\x03\x01", 4);
    // Configuration 1: one interface, self-powered.
    d.append("\x09\x02", 2);
    put16(d, 9 + 9 + 7 + 7);
    d.append("\x01\x01\x00\xC0\x32", 5);
    // Interface 0: printer class, printers subclass, bidirectional protocol.
    d.append("\x09\x04\x00\x00\x02\x07\x01\x02\x00", 9);
    // Bulk IN 0x81, then bulk OUT 0x02.
    d.append("\x07\x05\x81\x02", 4);
    put16(d, maxPacketSize);
    d.append('\0');
    d.append("\x07\x05\x02\x02", 4);
    put16(d, maxPacketSize);
    d.append('\0');
    return d;
}

QByteArray UsbDeviceDescription::text(int bus, int address, quint16 vendor, quint16 product,
                                      quint16 maxPacketSize) {
    const QString node = nodePath(bus, address);
    QString t;
    t += QStringLiteral("P: %1\n").arg(sysfsPath(bus).mid(4)); // without /sys
    t += QStringLiteral("N: %1\n").arg(node.mid(5));           // without /dev/
    t += QStringLiteral("E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n");
    t += QStringLiteral("E: BUSNUM=%1\n").arg(bus, 3, 10, QLatin1Char('0'));
    t += QStringLiteral("E: DEVNUM=%1\n").arg(address, 3, 10, QLatin1Char('0'));
    t += QStringLiteral("E: DEVNAME=%1\n").arg(node);
    t += QStringLiteral("E: PRODUCT=%1/%2/100\n").arg(vendor, 0, 16).arg(product, 0, 16);
    t += QStringLiteral("A: busnum=%1\\n\nA: devnum=%2\\n\n").arg(bus).arg(address);
    // usb_device nodes are major 189, numbered by bus and address.
    t += QStringLiteral("A: dev=189:%1\\n\n").arg((bus - 1) * 128 + address - 1);
    t += QStringLiteral("A: idVendor=%1\\n\nA: idProduct=%2\\n\n")
             .arg(vendor, 4, 16, QLatin1Char('0'))
             .arg(product, 4, 16, QLatin1Char('0'));
    t += QStringLiteral("A: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n");
    t += QStringLiteral("A: speed=480\\n\n");
    t += QStringLiteral("H: descriptors=%1\n")
             .arg(QString::fromLatin1(descriptors(vendor, product, maxPacketSize).toHex()));
    return t.toLocal8Bit();
}

} // namespace lunvik
