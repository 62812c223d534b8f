#pragma once

#include "model/units/ClosedRange.h"
#include "model/units/JsonReader.h"

#include <QVariantMap>

namespace ambrel {

// The settings of a plain threshold: the gray level (0 black, 1 white) that
// separates black from white, and how far black areas are widened (positive)
// or narrowed (negative). Values are stored as given; whoever lets a user set
// them clamps them with ClampedValueRanges.
struct BlackConversionThresholdOption {
    double threshold = 0.5;
    qint64 expansionLevel = 0;

    struct ClampedValueRanges {
        static constexpr ClosedRange<double> threshold{0.0, 1.0};
        static constexpr ClosedRange<qint64> expansionLevel{-5, 5};
    };

    // Keyed by field name; every key is required, other keys are ignored.
    static BlackConversionThresholdOption decode(const JsonReader& reader);
    QVariantMap encode() const;

    bool operator==(const BlackConversionThresholdOption&) const = default;
};

} // namespace ambrel
