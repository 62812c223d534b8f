#pragma once

#include "transport/model/DeviceCommunicationContext.h"

namespace lunvik {

// Passes every send and read on to the device's context and counts the
// bytes the device has taken, so that a job that fails midway can tell how
// far it got. Long sends go out in pieces of at most pieceLength bytes,
// which bounds how much of a failed send is unaccounted for.
class TavrinCountingContext : public fennick::DeviceCommunicationContext {
public:
    TavrinCountingContext(fennick::DeviceCommunicationContext& device, qint64 pieceLength)
        : m_device(device), m_pieceLength(pieceLength < 1 ? 1 : pieceLength) {}

    // Bytes of the pieces that were sent whole.
    qint64 bytesSent() const { return m_bytesSent; }

protected:
    void performSend(const QByteArray& data) override;
    QByteArray performRead(std::optional<qint64> length) override;

private:
    fennick::DeviceCommunicationContext& m_device;
    qint64 m_pieceLength;
    qint64 m_bytesSent = 0;
};

} // namespace lunvik
