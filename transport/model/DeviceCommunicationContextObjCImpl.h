#pragma once

#include "platform/Error.h"
#include "transport/model/DeviceCommunicationContext.h"

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace fennick {

// Base of the contexts written in completion style: each transfer reports
// its outcome to a completion, exactly once, on whatever thread it finished.
// The base turns that into the blocking calls of DeviceCommunicationContext:
// it waits for the completion and throws the error handed to it.
class DeviceCommunicationContextObjCImpl : public DeviceCommunicationContext {
public:
    using SendCompletion = std::function<void(std::shared_ptr<const platform::Error> error)>;
    using ReadCompletion = std::function<void(std::optional<QByteArray> data,
                                              std::shared_ptr<const platform::Error> error)>;

    // The length that means "no length given".
    static constexpr quint64 noLength = std::numeric_limits<quint64>::max();

    DeviceCommunicationContextObjCImpl();
    ~DeviceCommunicationContextObjCImpl() override;

    // The base sends nothing and completes at once without error.
    virtual void sendData(const QByteArray& data, SendCompletion completion);
    // The base completes at once with neither data nor error.
    virtual void readDataWithLength(quint64 length, ReadCompletion completion);

protected:
    void performSend(const QByteArray& data) override;
    // A completion without data and without error reads as empty data.
    QByteArray performRead(std::optional<qint64> length) override;
};

} // namespace fennick
