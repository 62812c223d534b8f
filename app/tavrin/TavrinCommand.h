#pragma once

#include <QByteArray>

namespace lunvik {

// The bytes of the stencil device's commands. Every command is ESC '|', a
// letter and fixed arguments; there is no length field, checksum or
// terminator. Arguments the device cannot represent are refused with a
// TavrinCommandError before any byte exists, so nothing half-formed is sent.
class TavrinCommand {
public:
    static constexpr char esc = 0x1B;
    static constexpr char bar = 0x7C;

    static constexpr char stateLetter = 'S';
    static constexpr char informationLetter = 'U';
    static constexpr char densityLetter = 'D';
    static constexpr char yLetter = 'Y';
    static constexpr char geometryLetter = '0';

    // S: asks for the 18-byte state reply.
    static QByteArray stateQuery();
    // U: asks for the 36-byte information reply.
    static QByteArray informationQuery();
    // D: the density as one signed byte (-128...127).
    static QByteArray density(qint64 density);
    // Y: one unsigned 16-bit value, low byte first.
    static QByteArray commandY(qint64 value);
    // 0: dots per column, then the column count, each unsigned 16-bit, low
    // byte first.
    static QByteArray jobGeometry(qint64 dotCount, qint64 columnCount);
    // Raw column data: count columns of zero bytes; empty for a count below 1.
    static QByteArray blankColumns(qint64 count, qint64 dotCount);

    // Bytes of one column of a head with this many dots (rounded up).
    static qint64 bytesPerColumn(qint64 dotCount) { return (dotCount + 7) / 8; }
};

} // namespace lunvik
