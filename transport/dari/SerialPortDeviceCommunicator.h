#pragma once

#include "transport/dari/SerialPortDeviceCommunicationContextObjCImpl.h"
#include "transport/model/DeviceCommunicator.h"

namespace dari {

// Names a serial port by the beginning of its device file name ("ttyUSB",
// "ttyACM"), with the line's speed and parity.
class SerialPortDeviceCommunicator : public fennick::DeviceCommunicator {
public:
    using Context = SerialPortDeviceCommunicationContextObjCImpl;

    SerialPortDeviceCommunicator(QString portNamePrefix, qint64 baudRate,
                                 SerialPortParity parity = SerialPortParity::none);

    const QString& portNamePrefix() const { return m_portNamePrefix; }
    qint64 baudRate() const { return m_baudRate; }
    SerialPortParity parity() const { return m_parity; }

    // Opening a port does not wait; the progress (the run's) ends the
    // context's waits when it is cancelled.
    std::shared_ptr<fennick::DeviceCommunicationContext>
    open(platform::Progress* progress) const override;
    std::shared_ptr<Context> openContext(platform::Progress* progress) const;

private:
    QString m_portNamePrefix;
    qint64 m_baudRate;
    SerialPortParity m_parity;
};

} // namespace dari
