#include "app/simulator/program/KernelUsbCommands.h"

#include "app/simulator/kernel/TavrinKernelUsbDevice.h"

#include <QStringList>

#include <cerrno>

namespace lunvik {

QString KernelUsbCommands::summary() {
    return QStringLiteral(
        "commands: unplug, unplug-mid-packet, plug, deny, allow, hold, release, driver, "
        "no-driver, stall-in, stall-out, unstall, hang, unhang, eproto <count>");
}

QString KernelUsbCommands::run(const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        return {};
    }
    const QString& command = words.first();
    using Device = TavrinKernelUsbDevice;
    if (command == QLatin1String("unplug")) {
        m_device.unplug();
    } else if (command == QLatin1String("unplug-mid-packet")) {
        m_device.unplug(-EPROTO);
    } else if (command == QLatin1String("plug")) {
        m_device.plugIn();
        return QStringLiteral("plugged in at ") + m_device.nodePath();
    } else if (command == QLatin1String("deny") || command == QLatin1String("allow")) {
        m_device.setNodeAccessible(command == QLatin1String("allow"));
    } else if (command == QLatin1String("hold") || command == QLatin1String("release")) {
        m_device.setInterfaceHeldElsewhere(command == QLatin1String("hold"));
    } else if (command == QLatin1String("driver") || command == QLatin1String("no-driver")) {
        m_device.setKernelDriverBound(command == QLatin1String("driver"));
    } else if (command == QLatin1String("stall-in")) {
        m_device.setEndpointStalled(Device::inEndpoint, true);
    } else if (command == QLatin1String("stall-out")) {
        m_device.setEndpointStalled(Device::outEndpoint, true);
    } else if (command == QLatin1String("unstall")) {
        m_device.setEndpointStalled(Device::inEndpoint, false);
        m_device.setEndpointStalled(Device::outEndpoint, false);
    } else if (command == QLatin1String("hang") || command == QLatin1String("unhang")) {
        m_device.setTransfersComplete(command == QLatin1String("unhang"));
    } else if (command == QLatin1String("eproto")) {
        bool ok = false;
        const int count = words.value(1).toInt(&ok);
        if (!ok || count < 0) {
            return QStringLiteral("eproto takes a count");
        }
        m_device.failNextTransfers(count, -EPROTO);
    } else {
        return QStringLiteral("unknown command; ") + summary();
    }
    return QStringLiteral("ok");
}

} // namespace lunvik
