#include "model/connections/DeviceConnection.h"

#include "model/connections/ComputerInfo.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/errors/ConnectionError.h"
#include "platform/CancellationError.h"
#include "platform/Log.h"
#include "platform/Pause.h"
#include "transport/model/DeviceCommunicationContext.h"
#include "transport/model/DeviceCommunicator.h"
#include "transport/model/PipeError.h"

#include <QDateTime>

namespace ambrel {

namespace {

// Read failures that mean the device is gone: waiting longer cannot help.
bool deviceIsGone(const platform::Error& error) {
    const auto code = fennick::pipeErrorCode(error);
    if (code == fennick::PipeErrorCode::couldNotReopen ||
        code == fennick::PipeErrorCode::noDevice) {
        return true;
    }
    return fennick::ioReturn(error) == platform::UsbResult::notResponding;
}

} // namespace

std::uint8_t DeviceConnection::charCode(const QString& character) {
    if (character == QStringLiteral("\r\n")) {
        return 0x0A;
    }
    if (character.size() != 1 || character.front().unicode() > 0x7F) {
        platform::Log::fatal(QStringLiteral("not one ASCII character: \"%1\"").arg(character));
    }
    return std::uint8_t(character.front().unicode());
}

DeviceConnection::DeviceConnection(std::shared_ptr<const DeviceDescriptor> deviceDescriptor,
                                   std::optional<TransportType> transportType)
    : m_transportType(transportType), m_deviceDescriptor(std::move(deviceDescriptor)) {}

DeviceConnection::~DeviceConnection() = default;

void DeviceConnection::print(const PrintTask&, const std::shared_ptr<platform::Progress>&) {}

void DeviceConnection::performMaintenanceAction(const MaintenanceAction&,
                                                const std::shared_ptr<platform::Progress>&) {}

QList<DeviceStatusElement>
DeviceConnection::_getStatusElements(fennick::DeviceCommunicationContext&) {
    return {};
}

std::shared_ptr<fennick::DeviceCommunicationContext>
DeviceConnection::openDevice(const std::shared_ptr<platform::Progress>& progress) {
    if (!m_communicator) {
        platform::Log::fatal(QStringLiteral("a device connection without a communicator"));
    }
    return m_communicator->open(progress.get());
}

DeviceStatus DeviceConnection::getStatus(const std::shared_ptr<platform::Progress>& progress) {
    const std::shared_ptr<const DeviceDescriptor> descriptor = m_deviceDescriptor;
    DeviceStatus status;
    try {
        // The context is released, and the transport closed, before the
        // computer's lines are added.
        const auto context = openDevice(progress);
        status.elements = _getStatusElements(*context);
    } catch (const platform::Error& error) {
        status.error = error.clone();
    } catch (const std::exception& error) {
        // A device answer the subclass could not take apart.
        platform::Log::line(QStringLiteral("status query failed: ") +
                            QString::fromLocal8Bit(error.what()));
        status.error = ConnectionError(ConnectionError::Case::couldNotGetPrinterStatus).clone();
    }
    if (status.error) {
        status.elements = {DeviceStatusElement::error(*status.error)};
    }

    const ComputerInfo computer;
    status.elements.prepend(DeviceStatusElement::mac(computer.hardwareModel()));
    status.elements.prepend(DeviceStatusElement::macOs(computer.operatingSystemVersion()));
    status.elements.prepend(DeviceStatusElement::app(ComputerInfo::applicationVersion()));
    status.elements.prepend(
        DeviceStatusElement::modelName(descriptor ? descriptor->localizedName() : QString()));
    status.elements.prepend(DeviceStatusElement::dateTime(QDateTime::currentDateTime()));
    return status;
}

void DeviceConnection::waitAck(fennick::DeviceCommunicationContext& context,
                               const platform::Progress* progress) {
    for (int tries = 0;;) {
        try {
            // An empty read is no answer, like any byte other than ACK or NAK.
            const auto bytes = context.readBytes(1);
            if (!bytes.empty() && bytes.front() == nak) {
                platform::Log::lineWithCallStack(QStringLiteral("received NAK!"));
                throw ConnectionError(ConnectionError::Case::receivedInvalidData);
            }
            if (!bytes.empty() && bytes.front() == ack) {
                platform::Log::line(QStringLiteral("received ACK."));
                return;
            }
        } catch (const ConnectionError&) {
            throw;
        } catch (const platform::Error& error) {
            if (deviceIsGone(error)) {
                throw;
            }
        }
        pauseBeforeNextAckRead(ackPause, progress);
        if (++tries >= ackTries) {
            throw fennick::errorWithDeviceErrorCode(fennick::PipeErrorCode::timeout);
        }
    }
}

void DeviceConnection::pauseBeforeNextAckRead(std::chrono::milliseconds duration,
                                              const platform::Progress* progress) {
    platform::Pause::sleep(duration, progress);
}

} // namespace ambrel
