#include "transport/model/DeviceCommunicationContext.h"

#include "platform/Log.h"

namespace fennick {

DeviceCommunicationContext::~DeviceCommunicationContext() = default;

void DeviceCommunicationContext::send(const std::vector<std::uint8_t>& bytes) {
    performSend(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

QByteArray DeviceCommunicationContext::read(std::optional<qint64> length) {
    if (length && *length < 0) {
        platform::Log::fatal(QStringLiteral("read with the negative length %1").arg(*length));
    }
    return performRead(length);
}

std::vector<std::uint8_t> DeviceCommunicationContext::readBytes(std::optional<qint64> length) {
    const QByteArray data = read(length);
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

} // namespace fennick
