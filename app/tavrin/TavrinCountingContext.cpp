#include "app/tavrin/TavrinCountingContext.h"

#include <algorithm>

namespace lunvik {

void TavrinCountingContext::performSend(const QByteArray& data) {
    for (qint64 at = 0; at < data.size(); at += m_pieceLength) {
        const qint64 length = std::min<qint64>(m_pieceLength, data.size() - at);
        m_device.send(data.size() <= m_pieceLength ? data : data.mid(at, length));
        m_bytesSent += length;
    }
}

QByteArray TavrinCountingContext::performRead(std::optional<qint64> length) {
    return m_device.read(length);
}

} // namespace lunvik
