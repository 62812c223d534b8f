#pragma once

#include "model/connections/DeviceStatusIconAsset.h"
#include "model/texts/LocalizedStringTable.h"
#include "platform/Error.h"

#include <QDateTime>
#include <QIcon>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

namespace ambrel {

// One line of the machine status list: an icon, a label and a value.
class DeviceStatusElement {
public:
    enum class Case {
        dateTime,
        app,
        mac,
        macOs,
        error,
        alert,
        modelName,
        firmware,
        serial,
        headTemperature,
        foilTemperature,
        motorTemperature,
        colorInkStatus,
        blackInkStatus,
        remainingColorInk,
        remainingBlackInk,
    };
    using IconAsset = DeviceStatusIconAsset;
    using ErrorPointer = std::shared_ptr<const platform::Error>;
    // A point in time, a text, an error, degrees Celsius or a fill factor
    // (1.0 = full).
    using Payload = std::variant<QDateTime, QString, ErrorPointer, qint64, double>;

    static DeviceStatusElement dateTime(const QDateTime& date);
    static DeviceStatusElement app(const QString& value);
    static DeviceStatusElement mac(const QString& value);
    static DeviceStatusElement macOs(const QString& value);
    static DeviceStatusElement error(const platform::Error& error);
    static DeviceStatusElement alert(const platform::Error& error);
    static DeviceStatusElement modelName(const QString& value);
    static DeviceStatusElement firmware(const QString& value);
    static DeviceStatusElement serial(const QString& value);
    static DeviceStatusElement headTemperature(qint64 celsius);
    static DeviceStatusElement foilTemperature(qint64 celsius);
    static DeviceStatusElement motorTemperature(qint64 celsius);
    static DeviceStatusElement colorInkStatus(const QString& status);
    static DeviceStatusElement blackInkStatus(const QString& status);
    static DeviceStatusElement remainingColorInk(double factor);
    static DeviceStatusElement remainingBlackInk(double factor);

    Case elementCase() const { return m_case; }
    const Payload& payload() const { return m_payload; }
    static QString caseName(Case c);

    // The text between a label and its value.
    static QString colonSeparator();
    QString localizedLabel() const;
    QString localizedLabel(const LocalizedStringTable& table) const;
    QString localizedValue() const;
    IconAsset iconAsset() const;
    std::optional<QIcon> icon() const;

    // Same case and equal payloads; errors are equal when their domain, code
    // and texts are.
    bool operator==(const DeviceStatusElement& other) const;

private:
    DeviceStatusElement(Case c, Payload payload) : m_case(c), m_payload(std::move(payload)) {}

    Case m_case;
    Payload m_payload;
};

} // namespace ambrel
