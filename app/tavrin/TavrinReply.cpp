#include "app/tavrin/TavrinReply.h"

#include "model/errors/ConnectionError.h"

namespace lunvik {

void TavrinReply::checkFrame(const QByteArray& reply, int length) {
    if (reply.size() < length || reply.at(0) != stx || reply.at(length - 1) != etx) {
        throw ambrel::ConnectionError(ambrel::ConnectionError::Case::receivedInvalidData);
    }
}

} // namespace lunvik
