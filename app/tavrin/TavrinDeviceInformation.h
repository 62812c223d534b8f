#pragma once

#include <QByteArray>
#include <QString>

namespace lunvik {

// The device's answer to U: three ASCII text fields whose positions depend on
// the model. Models whose name begins with a capital "G" use a shorter first
// field.
struct TavrinDeviceInformation {
    static constexpr int replyLength = 36;

    QString firstText;
    QString firmware;
    QString serial;

    // Checks the frame and decodes the three fields for the given model; a
    // wrongly framed reply or a field that is not ASCII throws
    // ConnectionError receivedInvalidData.
    static TavrinDeviceInformation decode(const QByteArray& reply, const QString& modelName);

    static bool usesShortLayout(const QString& modelName);

    bool operator==(const TavrinDeviceInformation&) const = default;
};

} // namespace lunvik
