#pragma once

#include "model/units/ClosedRange.h"
#include "model/units/JsonReader.h"

#include <QVariantMap>

namespace ambrel {

// The settings of a halftone screen. Values are stored as given; whoever lets
// a user set them clamps them with ClampedValueRanges.
struct BlackConversionHalftoneOption {
    double linesPerInch = 20.0;
    double angle_deg = 30.0;
    double brightnessFactor = 0.0;
    double blackClampFactor = 0.0;
    double whiteClampFactor = 0.0;

    struct ClampedValueRanges {
        static constexpr ClosedRange<double> brightnessFactor{-0.6, 0.6};
        static constexpr ClosedRange<double> blackClampFactor{0.0, 0.4};
        static constexpr ClosedRange<double> whiteClampFactor{0.0, 0.4};
    };

    // Keyed by field name; every key is required, other keys are ignored.
    static BlackConversionHalftoneOption decode(const JsonReader& reader);
    QVariantMap encode() const;

    bool operator==(const BlackConversionHalftoneOption&) const = default;
};

} // namespace ambrel
