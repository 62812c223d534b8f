#pragma once

#include "model/connections/DeviceStatus.h"
#include "model/connections/DeviceStatusElement.h"
#include "model/descriptions/TransportType.h"

#include <QList>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace fennick {
class DeviceCommunicationContext;
class DeviceCommunicator;
} // namespace fennick
namespace platform {
class Progress;
}

namespace ambrel {

class DeviceDescriptor;
class PrintTask;
struct MaintenanceAction;

// A connection to one device model over one transport. Device plug-ins hand
// out their own subclasses; the application prints, runs maintenance and asks
// for the status through them. Every operation blocks the calling worker
// thread; the run's progress (may be null) carries its cancellation. Runs do
// not share contexts: each opens its own.
class DeviceConnection {
public:
    // Control codes of the device protocol.
    static constexpr std::uint8_t stx = 0x02;
    static constexpr std::uint8_t etx = 0x03;
    static constexpr std::uint8_t ack = 0x06;
    static constexpr std::uint8_t nak = 0x15;
    static constexpr std::uint8_t esc = 0x1B;

    // The byte of one character: carriage return + line feed gives a line
    // feed; anything else must be one ASCII character.
    static std::uint8_t charCode(const QString& character);

    DeviceConnection(std::shared_ptr<const DeviceDescriptor> deviceDescriptor,
                     std::optional<TransportType> transportType);
    virtual ~DeviceConnection();

    std::shared_ptr<const fennick::DeviceCommunicator> communicator() const {
        return m_communicator;
    }
    void setCommunicator(std::shared_ptr<const fennick::DeviceCommunicator> communicator) {
        m_communicator = std::move(communicator);
    }
    std::optional<TransportType> transportType() const { return m_transportType; }
    void setTransportType(std::optional<TransportType> transportType) {
        m_transportType = transportType;
    }
    const std::shared_ptr<const DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    void setDeviceDescriptor(std::shared_ptr<const DeviceDescriptor> descriptor) {
        m_deviceDescriptor = std::move(descriptor);
    }

    // Sends the task to the device. The base sends nothing.
    virtual void print(const PrintTask& task, const std::shared_ptr<platform::Progress>& progress);
    // Runs one of the model's maintenance actions. The base does nothing.
    virtual void performMaintenanceAction(const MaintenanceAction& action,
                                          const std::shared_ptr<platform::Progress>& progress);

    // The status list: the time, the model, the application, the operating
    // system and the computer, then the device's own lines. Never throws: when
    // the device cannot be opened or read, its part is one error line and the
    // error is returned too.
    virtual DeviceStatus getStatus(const std::shared_ptr<platform::Progress>& progress);
    // The device's own status lines, read over an open context. The base has none.
    virtual QList<DeviceStatusElement>
    _getStatusElements(fennick::DeviceCommunicationContext& context);

    // Opens the transport. The context stays open while it is held.
    virtual std::shared_ptr<fennick::DeviceCommunicationContext>
    openDevice(const std::shared_ptr<platform::Progress>& progress);

    // Waits for the device to acknowledge a command: up to 30 one-byte reads,
    // each unanswered one followed by half a second's pause. A NAK fails with
    // ConnectionError::receivedInvalidData; a device that is gone fails with
    // the transport's error at once; silence and stray bytes end in a
    // "Timeout" DeviceError without texts. A cancelled progress ends the
    // pauses with a cancellation error.
    virtual void waitAck(fennick::DeviceCommunicationContext& context,
                         const platform::Progress* progress = nullptr);

    static constexpr int ackTries = 30;
    static constexpr std::chrono::milliseconds ackPause{500};

protected:
    // The pause between two acknowledgement reads; tests replace it.
    virtual void pauseBeforeNextAckRead(std::chrono::milliseconds duration,
                                        const platform::Progress* progress);

private:
    std::shared_ptr<const fennick::DeviceCommunicator> m_communicator;
    std::optional<TransportType> m_transportType;
    std::shared_ptr<const DeviceDescriptor> m_deviceDescriptor;
};

} // namespace ambrel
