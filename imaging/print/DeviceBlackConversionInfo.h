#pragma once

#include "model/pictures/BlackConversionType.h"
#include "model/units/JsonReader.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace quenta {

// What a device model says about turning gray into black: whether it can
// print a halftone screen (and with which extra gamma) and threshold details.
// Read from the "BlackConversion" entry of the model's additional information.
struct DeviceBlackConversionInfo {
    struct HalftoneInfo {
        // An extra gamma of the model, applied before the screen when printing.
        std::optional<double> deviceGamma;

        static HalftoneInfo decode(const ambrel::JsonReader& reader);
        // Holds "deviceGamma" only when there is one.
        QJsonObject encode() const;
        bool operator==(const HalftoneInfo&) const = default;
    };

    struct ThresholdInfo {
        // Whether the model offers widening black areas; the conversion itself
        // does not read it.
        std::optional<bool> isExpansionAvailable;

        static ThresholdInfo decode(const ambrel::JsonReader& reader);
        QJsonObject encode() const;
        bool operator==(const ThresholdInfo&) const = default;
    };

    std::optional<HalftoneInfo> halftone;
    std::optional<ThresholdInfo> threshold;

    // The additional-information key, "BlackConversion" unless set otherwise.
    static QString key();
    static void setKey(const QString& key);

    // Both keys optional, null counts as absent, other keys are ignored; a
    // value of the wrong type throws the reader's DecodingError.
    static DeviceBlackConversionInfo decode(const ambrel::JsonReader& reader);

    // Threshold always, then halftone when the model has a halftone entry.
    QList<ambrel::BlackConversionType> availableConversionTypes() const;

    bool operator==(const DeviceBlackConversionInfo&) const = default;
};

} // namespace quenta
