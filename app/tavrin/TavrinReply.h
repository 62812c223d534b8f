#pragma once

#include <QByteArray>

namespace lunvik {

// Helpers shared by the two framed replies of the device.
class TavrinReply {
public:
    static constexpr char stx = 0x02;
    static constexpr char etx = 0x03;

    // Throws ConnectionError receivedInvalidData unless the reply holds at
    // least length bytes, starts with STX and has ETX at length - 1.
    static void checkFrame(const QByteArray& reply, int length);

    static int byteAt(const QByteArray& reply, int index) { return quint8(reply.at(index)); }
    static quint16 bigEndian16(const QByteArray& reply, int index) {
        return quint16(byteAt(reply, index) << 8 | byteAt(reply, index + 1));
    }
};

} // namespace lunvik
