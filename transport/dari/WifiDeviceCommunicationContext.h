#pragma once

#include "transport/dari/NetworkEndpoint.h"
#include "transport/model/DeviceCommunicationContext.h"

#include "platform/Error.h"

#include <chrono>
#include <memory>

namespace platform {
class Progress;
}

namespace dari {

// One TCP connection to a device. Calls block the calling thread. A read
// without a length collects until the device ends the stream and then
// connects anew, so the context stays usable; when connecting anew fails,
// the bytes already read are returned and the next call reports the failure.
// Every wait ends with platform::CancellationError soon after the progress
// given at opening (the run's, which outlives the context) is cancelled.
class WifiDeviceCommunicationContext : public fennick::DeviceCommunicationContext {
public:
    // How often the state of a connection being made is looked at.
    static constexpr std::chrono::milliseconds pollInterval{500};

    // Connects, with no time limit of its own; throws platform::CancellationError
    // as soon as the progress is cancelled, or the connection's error.
    WifiDeviceCommunicationContext(NetworkEndpoint endpoint, platform::Progress* progress);
    ~WifiDeviceCommunicationContext() override;

    const NetworkEndpoint& endpoint() const { return m_endpoint; }

    WifiDeviceCommunicationContext(const WifiDeviceCommunicationContext&) = delete;
    WifiDeviceCommunicationContext& operator=(const WifiDeviceCommunicationContext&) = delete;

protected:
    void performSend(const QByteArray& data) override;
    // With a length: at least that many bytes, or fewer when the device ends
    // the stream, and everything else that has arrived too.
    QByteArray performRead(std::optional<qint64> length) override;

private:
    static int connectTo(const NetworkEndpoint& endpoint, platform::Progress* progress);
    void reconnect();
    // Throws a failure left by the last read, or the lack of a connection.
    void throwIfNotConnected();
    QByteArray readUntilEndOfStream();
    // Returns the data after connecting anew, keeping a failure for the next
    // call when there is data to hand back.
    QByteArray reconnectKeeping(const QByteArray& data);

    NetworkEndpoint m_endpoint;
    platform::Progress* m_progress = nullptr;
    int m_socket = -1;
    std::shared_ptr<const platform::Error> m_pendingFailure;
};

} // namespace dari
