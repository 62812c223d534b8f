#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QList>

namespace lunvik {

// The device's answer to S: 0x02, 16 bytes of fields, 0x03.
struct TavrinDeviceState {
    static constexpr int replyLength = 18;

    bool isBusy = false;
    // Bit n set: device error n.
    quint16 errorBits = 0;
    // Degrees Celsius, 0...255.
    int headTemperature = 0;
    // Two big-endian words the device reports whose meaning the application
    // does not know; decoded so the reply is read whole, never used.
    quint16 firstUnusedValue = 0;
    quint16 secondUnusedValue = 0;

    // Checks the frame and decodes the fields; a reply that is short or
    // wrongly framed throws ConnectionError receivedInvalidData.
    static TavrinDeviceState decode(const QByteArray& reply);

    // One error per set bit, lowest bit first, with the plug-in's texts for
    // "Error_TavrinDevice_<n>".
    QList<platform::Error> deviceErrors() const;

    bool operator==(const TavrinDeviceState&) const = default;
};

} // namespace lunvik
