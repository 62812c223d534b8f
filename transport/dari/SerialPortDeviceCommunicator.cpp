#include "transport/dari/SerialPortDeviceCommunicator.h"

namespace dari {

SerialPortDeviceCommunicator::SerialPortDeviceCommunicator(QString portNamePrefix, qint64 baudRate,
                                                           SerialPortParity parity)
    : m_portNamePrefix(std::move(portNamePrefix)), m_baudRate(baudRate), m_parity(parity) {}

std::shared_ptr<fennick::DeviceCommunicationContext>
SerialPortDeviceCommunicator::open(platform::Progress* progress) const {
    return openContext(progress);
}

std::shared_ptr<SerialPortDeviceCommunicator::Context>
SerialPortDeviceCommunicator::openContext(platform::Progress* progress) const {
    return std::make_shared<Context>(m_portNamePrefix, m_baudRate, m_parity, progress);
}

} // namespace dari
