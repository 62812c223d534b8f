#pragma once

#include "transport/model/DeviceCommunicationContext.h"

// A transport that counts what it is given and drops it: the column stream
// without the wire.
class DiscardingContext : public fennick::DeviceCommunicationContext {
public:
    qint64 bytes = 0;

protected:
    void performSend(const QByteArray& data) override { bytes += data.size(); }
    QByteArray performRead(std::optional<qint64>) override { return {}; }
};
