#include "app/tavrin/TavrinDeviceInformation.h"

#include "app/tavrin/TavrinReply.h"
#include "model/errors/ConnectionError.h"

namespace lunvik {

namespace {

// ASCII up to the first zero byte (the whole field when there is none), then
// spaces and tabs trimmed at both ends; line breaks are kept.
QString decodeField(const QByteArray& reply, int start, int length) {
    const QByteArray field = reply.mid(start, length);
    const qsizetype zero = field.indexOf('\0');
    const QByteArray text = zero < 0 ? field : field.left(zero);
    for (const char c : text) {
        if (quint8(c) > 0x7F) {
            throw ambrel::ConnectionError(ambrel::ConnectionError::Case::receivedInvalidData);
        }
    }
    qsizetype first = 0;
    qsizetype last = text.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (first < last && isBlank(text.at(first))) {
        ++first;
    }
    while (last > first && isBlank(text.at(last - 1))) {
        --last;
    }
    return QString::fromLatin1(text.mid(first, last - first));
}

} // namespace

bool TavrinDeviceInformation::usesShortLayout(const QString& modelName) {
    return modelName.startsWith(QLatin1Char('G'), Qt::CaseSensitive);
}

TavrinDeviceInformation TavrinDeviceInformation::decode(const QByteArray& reply,
                                                        const QString& modelName) {
    TavrinReply::checkFrame(reply, replyLength);
    const int firstLength = usesShortLayout(modelName) ? 8 : 12;
    const int firmwareStart = 2 + firstLength;
    TavrinDeviceInformation information;
    information.firstText = decodeField(reply, 2, firstLength);
    information.firmware = decodeField(reply, firmwareStart, 10);
    information.serial = decodeField(reply, firmwareStart + 10, 8);
    return information;
}

} // namespace lunvik
