#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace fennick {

// One open byte stream to a device. Bytes go out unchanged and come back in
// the order the device sent them. Calls block the calling thread (a run's
// worker thread) until the transport is done; failures are thrown as
// platform::Error. The stream stays open while somebody holds the context
// (contexts are shared through std::shared_ptr); releasing the last holder
// closes the transport. One context serves one caller at a time.
class DeviceCommunicationContext {
public:
    virtual ~DeviceCommunicationContext();

    // Returns when the transport has taken all of the data.
    void send(const QByteArray& data) { performSend(data); }
    void send(const std::vector<std::uint8_t>& bytes);

    // Without a length: whatever the device sends. A negative length is a
    // programming error and ends the process.
    QByteArray read(std::optional<qint64> length);
    std::vector<std::uint8_t> readBytes(std::optional<qint64> length);

protected:
    virtual void performSend(const QByteArray& data) = 0;
    virtual QByteArray performRead(std::optional<qint64> length) = 0;
};

} // namespace fennick
