#include "app/tavrin/TavrinDeviceState.h"

#include "app/tavrin/TavrinConnect.h"
#include "app/tavrin/TavrinReply.h"
#include "model/errors/LocalizableError.h"

namespace lunvik {

TavrinDeviceState TavrinDeviceState::decode(const QByteArray& reply) {
    TavrinReply::checkFrame(reply, replyLength);
    TavrinDeviceState state;
    state.isBusy = TavrinReply::byteAt(reply, 2) != 0;
    state.firstUnusedValue = TavrinReply::bigEndian16(reply, 4);
    state.secondUnusedValue = TavrinReply::bigEndian16(reply, 6);
    state.errorBits = TavrinReply::bigEndian16(reply, 8);
    state.headTemperature = TavrinReply::byteAt(reply, 10);
    return state;
}

QList<platform::Error> TavrinDeviceState::deviceErrors() const {
    QList<platform::Error> errors;
    for (int bit = 0; bit < 16; ++bit) {
        if (errorBits & (1u << bit)) {
            errors.append(ambrel::LocalizableError::deviceError(
                QStringLiteral("TavrinDevice"), bit, std::nullopt,
                TavrinConnect::sharedStringTable()));
        }
    }
    return errors;
}

} // namespace lunvik
