#pragma once

// The options of the two black conversions, each described once. A row
// gives the option's key under its group ("blackConversionOptions.<group>.
// <key>"), its field, how a set value is brought into range (with the
// row's bounds), the undo step a user's change makes, whether a saved
// package keeps it, whether the conversion's reset returns it to its default,
// and the derived values it affects. From the rows come the option objects'
// key faces, their save and load, the undo steps, the reset, the document's
// dependency lists and the key path code uses to name an option (optionPath,
// by its field). An option's default is the one its struct is made with.

#include "core/document/job/DocumentKey.h"
#include "core/document/job/PrintDocumentPropertyTable.h"
#include "core/document/job/UndoActionName.h"
#include "model/pictures/BlackConversionHalftoneOption.h"
#include "model/pictures/BlackConversionThresholdOption.h"

#include <QVariant>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <type_traits>

namespace kestrom {

// How a set value of an option is brought into range.
enum class OptionFit {
    asGiven, // stored as given
    clamped, // clamped to the row's bounds; a whole number is truncated first
    turn,    // the IEEE remainder by 360, so -180 ... 180
};

template <typename Values> struct ConversionOptionRow {
    const char* key;
    // The field: one of the two.
    double Values::*real;
    qint64 Values::*whole;
    OptionFit fit;
    double lower;
    double upper;
    // The raw value of the undo step; none makes no step.
    const char* undo;
    bool saved;
    bool resets;
    unsigned effects; // PropertyEffect

    QVariant read(const Values& option) const {
        return real ? QVariant(option.*real) : QVariant(option.*whole);
    }
    // What a finite number becomes when it is set.
    double fitted(double value) const {
        if (whole) {
            value = std::trunc(value);
        }
        switch (fit) {
        case OptionFit::clamped:
            return std::clamp(value, lower, upper);
        case OptionFit::turn:
            return std::remainder(value, 360.0);
        case OptionFit::asGiven:
            break;
        }
        return value;
    }
    void write(Values& option, double fittedValue) const {
        if (real) {
            option.*real = fittedValue;
        } else {
            option.*whole = qint64(fittedValue);
        }
    }
    std::optional<UndoActionName> undoActionName() const {
        return undo ? std::optional(UndoActionName(undo)) : std::nullopt;
    }
    template <typename Field> bool holds(Field Values::*field) const {
        if constexpr (std::is_same_v<Field, double>) {
            return real == field;
        } else {
            return whole == field;
        }
    }
};

namespace ConversionOptionTable {

using Threshold = ambrel::BlackConversionThresholdOption;
using Halftone = ambrel::BlackConversionHalftoneOption;
using ThresholdRanges = Threshold::ClampedValueRanges;
using HalftoneRanges = Halftone::ClampedValueRanges;
using namespace PropertyEffect;

// Every option changes the current conversion and whether the conversion is
// at its defaults.
inline constexpr std::array threshold = {
    ConversionOptionRow<Threshold>{
        "threshold", &Threshold::threshold, nullptr, OptionFit::clamped,
        ThresholdRanges::threshold.lowerBound, ThresholdRanges::threshold.upperBound,
        "changingBitmapConversionThreshold", true, true, conversion | sequences},
    ConversionOptionRow<Threshold>{
        "expansionLevel", nullptr, &Threshold::expansionLevel, OptionFit::clamped,
        double(ThresholdRanges::expansionLevel.lowerBound),
        double(ThresholdRanges::expansionLevel.upperBound), "changingBitmapExpansionLevel", true,
        true, conversion | sequences | expansionText},
};

// The angle is not kept by a saved package and makes no undo step; a reset
// leaves the screen (lines and angle) as it is.
inline constexpr std::array halftone = {
    ConversionOptionRow<Halftone>{"linesPerInch", &Halftone::linesPerInch, nullptr,
                                  OptionFit::asGiven, 0, 0, "changingHalftoneOption", true, false,
                                  conversion},
    ConversionOptionRow<Halftone>{"angle_deg", &Halftone::angle_deg, nullptr, OptionFit::turn, 0, 0,
                                  nullptr, false, false, conversion},
    ConversionOptionRow<Halftone>{"brightnessFactor", &Halftone::brightnessFactor, nullptr,
                                  OptionFit::clamped, HalftoneRanges::brightnessFactor.lowerBound,
                                  HalftoneRanges::brightnessFactor.upperBound,
                                  "changingImageBrightness", true, true, conversion},
    ConversionOptionRow<Halftone>{"blackClampFactor", &Halftone::blackClampFactor, nullptr,
                                  OptionFit::clamped, HalftoneRanges::blackClampFactor.lowerBound,
                                  HalftoneRanges::blackClampFactor.upperBound,
                                  "changingImageBrightness", true, true, conversion},
    ConversionOptionRow<Halftone>{"whiteClampFactor", &Halftone::whiteClampFactor, nullptr,
                                  OptionFit::clamped, HalftoneRanges::whiteClampFactor.lowerBound,
                                  HalftoneRanges::whiteClampFactor.upperBound,
                                  "changingImageBrightness", true, true, conversion},
};

// The group that holds an option struct, and its rows.
template <typename Values> struct Group;
template <> struct Group<Threshold> {
    static constexpr const auto& rows = threshold;
    static const QString& key() { return DocumentKey::OptionGroup::threshold; }
};
template <> struct Group<Halftone> {
    static constexpr const auto& rows = halftone;
    static const QString& key() { return DocumentKey::OptionGroup::halftone; }
};

// The row of the option held in a field.
template <typename Values, typename Field>
const ConversionOptionRow<Values>& rowOf(Field Values::*field) {
    for (const auto& row : Group<Values>::rows) {
        if (row.holds(field)) {
            return row;
        }
    }
    Q_UNREACHABLE();
}

// "blackConversionOptions.<group>.<key>", the document's key path of an
// option: of its row, or of the field that holds it.
template <typename Values> QString optionPath(const ConversionOptionRow<Values>& row) {
    return DocumentKey::blackConversionOptions + QLatin1Char('.') + Group<Values>::key() +
           QLatin1Char('.') + QLatin1String(row.key);
}
template <typename Values, typename Field> QString optionPath(Field Values::*field) {
    return optionPath(rowOf(field));
}

} // namespace ConversionOptionTable

} // namespace kestrom
