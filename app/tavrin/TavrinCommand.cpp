#include "app/tavrin/TavrinCommand.h"

#include "app/tavrin/TavrinCommandError.h"

namespace lunvik {

namespace {

constexpr qint64 maximum16 = 0xFFFF;

QByteArray command(char letter) {
    QByteArray bytes;
    bytes.reserve(7);
    bytes.append(TavrinCommand::esc).append(TavrinCommand::bar).append(letter);
    return bytes;
}

void checkUnsigned16(qint64 value) {
    if (value < 0 || value > maximum16) {
        throw TavrinCommandError(TavrinCommandError::Case::valueOutOfRange, value, 0, maximum16);
    }
}

void appendUnsigned16(QByteArray& bytes, qint64 value) {
    bytes.append(char(value % 256)).append(char(value / 256));
}

} // namespace

QByteArray TavrinCommand::stateQuery() {
    return command(stateLetter);
}

QByteArray TavrinCommand::informationQuery() {
    return command(informationLetter);
}

QByteArray TavrinCommand::density(qint64 density) {
    if (density < -128 || density > 127) {
        throw TavrinCommandError(TavrinCommandError::Case::densityOutOfRange, density, -128, 127);
    }
    // Two's complement: -1 goes out as 0xFF.
    return command(densityLetter).append(char(qint8(density)));
}

QByteArray TavrinCommand::commandY(qint64 value) {
    checkUnsigned16(value);
    QByteArray bytes = command(yLetter);
    appendUnsigned16(bytes, value);
    return bytes;
}

QByteArray TavrinCommand::jobGeometry(qint64 dotCount, qint64 columnCount) {
    checkUnsigned16(dotCount);
    checkUnsigned16(columnCount);
    QByteArray bytes = command(geometryLetter);
    appendUnsigned16(bytes, dotCount);
    appendUnsigned16(bytes, columnCount);
    return bytes;
}

QByteArray TavrinCommand::blankColumns(qint64 count, qint64 dotCount) {
    if (count < 1 || dotCount < 1) {
        return {};
    }
    return QByteArray(count * bytesPerColumn(dotCount), '\0');
}

} // namespace lunvik
